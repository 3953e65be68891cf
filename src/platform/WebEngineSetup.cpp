#include "WebEngineSetup.h"

#include <QCoreApplication>
#include <QtGlobal>

#include <unistd.h>

void prepareWebEngine()
{
    // Chromium refuses to start its sandbox for the root user and the engine
    // then aborts the program. As root (a kiosk-style station, a container)
    // the sandbox is switched off; any other user keeps it.
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");

    // The engine shares its OpenGL contexts with the windows that show pages;
    // Qt requires this to be set before the application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

#if defined(__SANITIZE_ADDRESS__)
// Sanitized builds only. The engine's own library (Chromium inside
// libQt6WebEngineCore) deletes some of its objects with a size other than
// the one they were allocated with, at start-up, where AddressSanitizer
// stops the program. Programs that host the engine - the ones that link this
// file - switch off that one check; every other check of AddressSanitizer
// and LeakSanitizer stays on. Programs without the engine keep all checks.
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options()
{
    return "new_delete_type_mismatch=0";
}
#endif
