// plotwright-editor: a desktop drawing editor that hosts the Plotwright module.

#include "editor/autosave.h"
#include "editor/command_line.h"
#include "editor/main_window.h"
#include "editor/module_location.h"

#include "plotwright/version.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    // Answered before any window system is needed, so it works on a console too.
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--version") == 0 || std::strcmp(argv[i], "-v") == 0) {
            std::fputs("plotwright-editor " PLOTWRIGHT_VERSION "\n", stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Plotwright Editor");
    QApplication::setApplicationVersion(PLOTWRIGHT_VERSION);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Draws mathematical curves into DXF drawings. Type vexilo at the command line to open the curve dialog.");
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption moduleOption("module", "Load the module at PATH instead of the installed one.", "PATH");
    const QCommandLineOption noModuleOption("no-module", "Start without loading a module.");
    parser.addOption(moduleOption);
    parser.addOption(noModuleOption);
    parser.addPositionalArgument("drawings", "DXF drawings to open.", "[drawing.dxf...]");
    parser.process(app);

    plotwright::editor::MainWindow window;
    window.show();
    if (!parser.isSet(noModuleOption)) {
        const QString module =
            parser.isSet(moduleOption) ? parser.value(moduleOption) : plotwright::editor::defaultModulePath();
        if (module.isEmpty())
            window.commandLine().print(
                "The Plotwright module was not found next to the program; load it with APPLOAD followed by its path.");
        else if (window.loadModule(module))
            window.commandLine().print("Type vexilo to draw a curve.");
    }
    window.openDrawings(parser.positionalArguments());
    // Declared after the window, so gone before it: a normal end removes the copies.
    plotwright::editor::Autosave autosave(window.documents());
    QTimer::singleShot(0, &window, [&] { autosave.offerRecovery(&window); });
    return app.exec();
}
