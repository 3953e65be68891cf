// SPDX-License-Identifier: GPL-3.0-or-later
#include "WebPasswordCommand.h"

#include "PasswordHash.h"
#include "SettingsKeys.h"
#include "SettingsStore.h"

#include <termios.h>
#include <unistd.h>

namespace {

void say(const QString& text)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
}

// One line without its line end; echo off while a terminal types it.
std::optional<QByteArray> readLine(std::FILE* input)
{
    const int fd = fileno(input);
    termios saved{};
    const bool terminal = isatty(fd) && tcgetattr(fd, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(fd, TCSAFLUSH, &quiet);
        std::fprintf(stderr, "Password: ");
    }
    QByteArray line;
    int c = 0;
    while ((c = std::fgetc(input)) != EOF && c != '\n' &&
           line.size() <= WebPasswordCommand::longest)
        line.append(char(c));
    if (terminal) {
        tcsetattr(fd, TCSAFLUSH, &saved);
        std::fprintf(stderr, "\n");
    }
    if (line.endsWith('\r'))
        line.chop(1);
    if (line.size() > WebPasswordCommand::longest)
        return std::nullopt;
    return line;
}

} // namespace

std::optional<QString> WebPasswordCommand::requested(int argc, char* argv[])
{
    const QByteArray plain = QByteArray("--") + option;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == plain)
            return i + 1 < argc ? QString::fromLocal8Bit(argv[i + 1]) : QString();
        if (arg.startsWith(plain + '='))
            return QString::fromLocal8Bit(arg.mid(plain.size() + 1));
    }
    return std::nullopt;
}

int WebPasswordCommand::run(const QString& user, std::FILE* input, SettingsStore& store)
{
    if (user != QLatin1String("admin") && user != QLatin1String("guest")) {
        say(QStringLiteral("--web-password takes admin or guest"));
        return 2;
    }
    if (const QString refusal = store.refusal(); !refusal.isEmpty()) {
        say(refusal);
        return 1;
    }
    const std::optional<QByteArray> password = readLine(input);
    if (!password || password->size() < shortest) {
        say(QStringLiteral("The password must have %1 to %2 characters; nothing was stored")
                .arg(shortest)
                .arg(longest));
        return 2;
    }
    const QString hash = passwordhash::make(*password);
    if (hash.isEmpty()) {
        say(QStringLiteral("The password could not be hashed; nothing was stored"));
        return 1;
    }
    store.write(keys::webSection,
                user == QLatin1String("admin") ? keys::webAdminHash : keys::webGuestHash, hash);
    QString why;
    if (!store.flush(&why)) {
        say(QStringLiteral("The settings file could not be written: ") + why);
        return 1;
    }
    say(QStringLiteral("The web remote's %1 password is stored.").arg(user));
    return 0;
}
