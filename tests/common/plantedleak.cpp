// SPDX-License-Identifier: GPL-3.0-or-later
// Leaks on purpose. The leak check runs this with the suppressions every
// test uses and passes only when the leak is still reported: a suppression
// of an outside library must never hide one of ours.
#include <QObject>

namespace {

void* volatile lost = nullptr;

// Memory from our own code and from Qt on our behalf, never freed.
[[gnu::noinline]] void plantedLeak()
{
    lost = new QObject;
    lost = nullptr;
}

} // namespace

int main()
{
    plantedLeak();
    return 0;
}
