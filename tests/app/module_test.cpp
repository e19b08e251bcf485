// The Plotwright module as the editor meets it: what initialisation and unload do to
// the command stack, that every other message does nothing, what happens when the
// registry lacks a service, and what the module exports.

#include "host/command_stack.h"
#include "host/dynamic_linker.h"
#include "host/rx_app.h"

#include "editor/ui_script.h"

#include <QAbstractButton>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <dlfcn.h>

#include <string>
#include <vector>

namespace {

const std::wstring module = QString(PLOTWRIGHT_MODULE).toStdWString();

std::vector<std::wstring> commandNames()
{
    std::vector<std::wstring> names;
    for (const AcEdCommand* c : acedRegCmds()->commands())
        names.push_back(std::wstring(c->groupName()) + L"/" + c->globalName());
    return names;
}

} // namespace

class ModuleTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { acrxDynamicLinker()->unloadAll(); }

    void initialisation_adds_the_command_and_unload_removes_it()
    {
        AcRxDynamicLinker& linker = *acrxDynamicLinker();
        QVERIFY(!acedRegCmds()->lookupCmd(L"vexilo"));
        std::wstring message;
        QVERIFY2(linker.loadModule(module, &message), qPrintable(QString::fromStdWString(message)));

        const AcEdCommand* command = acedRegCmds()->lookupCmd(L"VEXILO");
        QVERIFY(command);
        QCOMPARE(QString::fromWCharArray(command->groupName()), QString("KRVX"));
        QCOMPARE(QString::fromWCharArray(command->globalName()), QString("vexilo"));
        QCOMPARE(QString::fromWCharArray(command->localName()), QString("vexilo"));
        QCOMPARE(command->commandFlags(), ACRX_CMD_MODAL);
        QCOMPARE(command->functionCode(), -1);
        QVERIFY(command->UIContext() == nullptr);
        QVERIFY2(command->resourceHandle() != nullptr, "the module's instance is its resource handle");
        QVERIFY2(!linker.isApplicationLocked(module), "the module declared itself unloadable");
        QVERIFY(linker.isAppMDIAware(module));

        QVERIFY(linker.unloadModule(module, &message));
        QVERIFY(!acedRegCmds()->lookupCmd(L"vexilo"));
        QVERIFY(acedRegCmds()->commands().empty());

        // A second load behaves as the first.
        QVERIFY(linker.loadModule(module));
        QVERIFY(acedRegCmds()->lookupCmd(L"vexilo"));
    }

    void other_messages_do_nothing()
    {
        QVERIFY(acrxDynamicLinker()->loadModule(module));
        // The linker's own handle of the module: RTLD_NOLOAD finds it without a second load.
        void* handle = dlopen(PLOTWRIGHT_MODULE, RTLD_NOW | RTLD_NOLOAD);
        QVERIFY(handle);
        auto entryPoint = reinterpret_cast<AcRxEntryPointFunction>(dlsym(handle, "acrxEntryPoint"));
        QVERIFY(entryPoint);
        const std::vector<std::wstring> before = commandNames();
        for (int code : {0, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 100, -1}) {
            const auto result = entryPoint(static_cast<AcRx::AppMsgCode>(code), nullptr);
            QVERIFY2(result == AcRx::kRetOK, qPrintable(QString("code %1").arg(code)));
            QVERIFY2(commandNames() == before, qPrintable(QString("code %1").arg(code)));
        }
        dlclose(handle);
        QVERIFY(acrxDynamicLinker()->isModuleLoaded(module));
        QVERIFY(!acrxDynamicLinker()->isApplicationLocked(module));
    }

    void missing_services_refuse_the_load_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("replaceWithOther");
        QTest::newRow("no dynamic linker") << "DynamicLinker" << false;
        QTest::newRow("no command stack") << "ACAD_REGISTERED_COMMANDS" << false;
        QTest::newRow("command stack entry of another class") << "ACAD_REGISTERED_COMMANDS" << true;
    }

    void missing_services_refuse_the_load()
    {
        QFETCH(QString, entry);
        QFETCH(bool, replaceWithOther);
        const std::wstring key = entry.toStdWString();
        AcEdCommandStack* stack = acedRegCmds();
        AcRxObject* saved = acrxSysRegistry()->remove(key);
        QVERIFY(saved);
        if (replaceWithOther)
            acrxSysRegistry()->atPut(key, acrxClassDictionary());
        AcRxDynamicLinker* linker = AcRxDynamicLinker::cast(entry == "DynamicLinker" ? saved : acrxDynamicLinker());
        std::wstring message;
        const bool loaded = linker->loadModule(module, &message);
        acrxSysRegistry()->atPut(key, saved);

        QVERIFY(!loaded);
        QCOMPARE(QString::fromStdWString(message),
                 "Cannot load \"" + QString(PLOTWRIGHT_MODULE) + "\": its initialisation failed.");
        QVERIFY(stack->commands().empty());
        QVERIFY(linker->loadedModules().empty());
    }

    void the_dialog_runs_again_after_an_unload()
    {
        QTemporaryDir folder;
        qputenv("PLOTWRIGHT_INSTALL_FOLDER", (folder.path() + "/").toUtf8());
        for (int round = 1; round <= 2; ++round) {
            QVERIFY(acrxDynamicLinker()->loadModule(module));
            bool pictures = false;
            UiScript script;
            script.then(
                [] {
                    QWidget* modal = QApplication::activeModalWidget();
                    return modal && modal->isVisible() && modal->findChild<QAbstractButton*>("control1");
                },
                [&] {
                    QWidget* dialog = QApplication::activeModalWidget();
                    // The module's resources are registered again after a reload.
                    pictures = !dialog->findChild<QAbstractButton*>("control101")->icon().isNull();
                    QTest::mouseClick(dialog->findChild<QAbstractButton*>("control1"), Qt::LeftButton);
                });
            std::wstring message;
            QVERIFY2(acedRegCmds()->invoke(L"vexilo", &message), qPrintable(QString::fromStdWString(message)));
            QVERIFY(script.done());
            QVERIFY2(pictures, qPrintable(QString("round %1").arg(round)));
            QVERIFY(QFileInfo::exists(folder.filePath("curveDefinition.xml")));
            QVERIFY(QFileInfo::exists(folder.filePath("curveDefinition_User.xml")));
            QVERIFY(acrxDynamicLinker()->unloadModule(module, &message));
            QVERIFY(!acedRegCmds()->lookupCmd(L"vexilo"));
        }
        qunsetenv("PLOTWRIGHT_INSTALL_FOLDER");
    }

    void exports_only_the_entry_point_and_the_version()
    {
        QProcess nm;
        nm.start("nm", {"-D", "--defined-only", PLOTWRIGHT_MODULE});
        QVERIFY(nm.waitForFinished());
        QCOMPARE(nm.exitCode(), 0);
        QStringList symbols;
        for (const QString& line : QString::fromUtf8(nm.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts)) {
            const QString name = line.section(' ', -1);
            // A lower-case type is a local symbol: listed, but nothing can bind to it.
            // The linker's own markers of the data segment are in every shared object.
            const QString type = line.section(' ', -2, -2);
            if (type == type.toUpper() && name != "__bss_start" && name != "_edata" && name != "_end")
                symbols.append(name);
        }
        symbols.sort();
        QCOMPARE(symbols, (QStringList{"acrxEntryPoint", "acrxGetApiVersion"}));

        void* handle = dlopen(PLOTWRIGHT_MODULE, RTLD_NOW | RTLD_LOCAL);
        QVERIFY(handle);
        auto version = reinterpret_cast<AcRxApiVersionFunction>(dlsym(handle, "acrxGetApiVersion"));
        QVERIFY(version);
        QCOMPARE(version(), 0x110000);
        dlclose(handle);
    }
};

QTEST_MAIN(ModuleTest)
#include "module_test.moc"
