#include "WebBrowser.h"

// Out of line, so the interface's vtable and moc code live in one library.
WebBrowser::~WebBrowser() = default;
