// SPDX-License-Identifier: GPL-3.0-or-later
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
// Sanitized builds only; both settings concern the engine's programs - the
// ones that link this file - and leave every check on our code in place.
//
// new_delete_type_mismatch=0: the engine's own library (Chromium inside
// libQt6WebEngineCore) deletes some of its objects with a size other than
// the one they were allocated with, at start-up, where AddressSanitizer
// stops the program. Only that one check goes; programs without the engine
// keep it.
//
// intercept_tls_get_addr=0: the sanitizer runtime of GCC 12 takes a thread's
// dynamic TLS block for one with a glibc 2.19 header whenever the block
// happens to start 16 bytes past a page boundary, and records the two words
// before it as the block's place and size. glibc 2.36 has no such header, so
// the range is garbage, and LeakSanitizer's tracer crashes scanning it at
// exit ("Tracer caught signal 11"). With the engine's many threads this
// happens in a few runs in a hundred. Leak checking stays on; it only no
// longer treats dynamic TLS as holding live pointers, which can add reports,
// never hide them.
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options()
{
    return "new_delete_type_mismatch=0:intercept_tls_get_addr=0";
}
#endif
