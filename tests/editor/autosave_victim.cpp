// An editor session to be killed: the editor's window with autosave, as the program
// runs it, opens the drawing named, changes it (a polyline, as a module's command
// draws one) and prints "changed"; then it waits in the event loop for its end.
#include "editor/autosave.h"
#include "editor/document_tabs.h"
#include "editor/main_window.h"

#include "draw/place_curve.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2)
        return 64;
    plotwright::editor::MainWindow window;
    window.show();
    window.openDrawings({QString::fromLocal8Bit(argv[1])});
    plotwright::editor::Autosave autosave(window.documents());
    QTimer::singleShot(0, &window, [&] {
        autosave.offerRecovery(&window);
        window.documents().checkpoint();
        PlaceCurvePolyline({{0, 0, 0}, {5, 5, 0}, {10, 0, 0}}, 0, false);
        window.documents().refreshCurrent();
        window.documents().updateTitles();
        std::puts("changed");
        std::fflush(stdout);
    });
    return app.exec();
}
