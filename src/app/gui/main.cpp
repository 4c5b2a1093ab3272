#include "engine/uProcessMemory.h"
#include "engine/uThreadPool.h"
#include "storage/uErrors.h"
#include "storage/uRefId.h"
#include "ui/shell/dVelmora.h"
#include "ui/shell/fLoadProgress.h"
#include "ui/shell/fMainClient.h"
#include "ui/shell/uQtDispatcher.h"
#include "ui/shell/uStartUp.h"
#include "ui/shell/uVelmoraApplication.h"

#include <QMessageBox>
#include <iostream>

namespace {

int StartUpFailed(const QString& message) {
    std::cerr << "velmora: " << message.toLocal8Bit().constData() << std::endl;
    QMessageBox::critical(nullptr, QStringLiteral("Velmora"), message);
    return 1;
}

} // namespace

int main(int argc, char* argv[]) {
    KeepFreedMemoryForReuse();
    TVelmoraApplication application(argc, argv);
    // Engine notices reach the GUI thread through this, from the first job on.
    TQtDispatcher dispatcher;
    InstallMainThreadDispatcher(dispatcher);
    int exitCode = 0;
    try {
        RequireDataFiles();
        GetRefId();
        TdmVelmora data;
        TfrmLoadProgress loadProgress;
        TfrmMainClient mainWindow(data, loadProgress);
        mainWindow.show();
        exitCode = application.exec();
        mainWindow.StopEngine();
        GetThreadPool().Shutdown();
    } catch (const EVelmoraError& error) {
        return StartUpFailed(error.Message());
    }
    return exitCode;
}
