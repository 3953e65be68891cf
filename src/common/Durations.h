// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>

namespace durations {

using namespace std::chrono_literals;

// The stored settings are applied this long after the main window is up, so
// the window shows at once and the serial port opens afterwards.
inline constexpr std::chrono::milliseconds settingsLoadDelay = 1500ms;

// Lines of the station's log reach the file at most this long after they
// were logged.
inline constexpr std::chrono::milliseconds logFlushDelay = 500ms;

// An unload still running this long after the stop signal is taken as
// stuck: a further signal then ends the program at once.
inline constexpr std::chrono::milliseconds unloadGrace = 5s;

// Random pointing, and the first step of sequenced pointing.
inline constexpr std::chrono::milliseconds pointingStep = 1500ms;

// Sequenced pointing stays at least this long at a preset, and waits this
// long after a preset it could not send.
inline constexpr std::chrono::milliseconds shortestDwell = 1000ms;

// Bytes the mount has not taken for this long mean it stopped reading.
inline constexpr std::chrono::milliseconds mountStallLimit = 2s;

// A head that answers (VISCA) acknowledges a command within this time, and
// reports a move done within the longer one, however far it had to turn.
inline constexpr std::chrono::milliseconds mountAnswerLimit = 1s;
inline constexpr std::chrono::milliseconds mountMoveLimit = 30s;

// A lost serial port is tried again this often until its device is back.
inline constexpr std::chrono::milliseconds mountReopenInterval = 3s;

// A camera that delivers no new frame for this long has stalled.
inline constexpr std::chrono::milliseconds cameraStallLimit = 10s;

// The test pattern runs at about 15 frames a second.
inline constexpr std::chrono::milliseconds testPatternFrame = 66ms;

// FTP: how long the server may take to accept the connection and the
// login, to answer a command, or to take more upload data.
inline constexpr std::chrono::seconds ftpRequestTimeout = 60s;

// Browser window: how often the caption polls the component's busy state.
inline constexpr std::chrono::milliseconds browserPoll = 5ms;

// The engine starts a requested load a moment after the request, and drops
// some requests without a word; past this limit a request that never
// started no longer counts as busy.
inline constexpr std::chrono::milliseconds browserLoadStart = 10s;

} // namespace durations
