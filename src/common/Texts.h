#pragma once

#include <QLatin1String>

// Every text the station shows to the operator or writes on its own, kept in
// one place so that wording stays consistent across windows and tests.
namespace texts {

inline constexpr QLatin1String appTitle{"KivraWebcam"};
inline constexpr QLatin1String mainCaption{"KivraWebcam - What do you want to see today?"};

// Video source
inline constexpr QLatin1String noVideo{"<no video>"};
inline constexpr QLatin1String noVideoDevice{"No Video Capture Device!"};
inline constexpr QLatin1String couldNotConnect{"Could not connect!"};
inline constexpr QLatin1String deviceSelected{"Capture Device selected."};
inline constexpr QLatin1String testPatternDriver{"Test pattern"};

// Mount link
inline constexpr QLatin1String couldNotOpenPrefix{"Could not open "};
inline constexpr QLatin1String mountNotConnected{
    "Mount not connected: choose a serial port that can be opened"};
inline constexpr QLatin1String mountWriteFailed{"Could not send to the mount: "};
inline constexpr QLatin1String accelFaster{"Faster"};
inline constexpr QLatin1String accelNormal{"Normal"};
inline constexpr QLatin1String accelSlower{"Slower"};

// Main window captions and tool tips
inline constexpr QLatin1String liveVideoTip{"Live video display"};
inline constexpr QLatin1String touchPadTitle{"PivoraKivra Position Touch pad"};
inline constexpr QLatin1String gridTip{"Preset positions used for sequenced pointing"};
inline constexpr QLatin1String ftpSettingsTip{"Enter FTP server and schedule uploads"};
inline constexpr QLatin1String sendFrameTip{"Manual transfer captured jpg to FTP server"};
inline constexpr QLatin1String logoTip{"Visit Our website - Press this button"};
inline constexpr QLatin1String enableRemote{"Enable Remote Control"};
inline constexpr QLatin1String disableRemote{"Disable Remote Control"};

// Remote control
inline constexpr QLatin1String remoteListening{"Listening for Remote connection request"};
inline constexpr QLatin1String remoteConnectedPrefix{"Connected to "};
inline constexpr QLatin1String remoteOff{"Not accepting remote connections"};
inline constexpr QLatin1String remoteUnavailablePrefix{"Remote control unavailable: "};
inline constexpr QLatin1String remoteNoComponent{"no socket component"};

// Presets, touch pad and pointing
inline constexpr QLatin1String presetTable{"LineEntry"};
inline constexpr QLatin1String presetNavigatorCaption{"Postion Data"};
inline constexpr QLatin1String presetDatabaseUnavailable{"Preset database unavailable: "};
inline constexpr QLatin1String presetTableNotOpen{"the table is not open"};
inline constexpr QLatin1String presetNotStored{"Preset not stored: "};
inline constexpr QLatin1String presetNotChanged{"Preset not changed: "};
inline constexpr QLatin1String presetNotDeleted{"Preset not deleted: "};
inline constexpr QLatin1String noPositionShown{
    "Preset not stored: no position shown yet, move over the touch pad first"};
inline constexpr QLatin1String defaultDelayNotANumber{
    "Preset not stored: the Default Delay is not a number"};
// %1 is the field's name, %2 the value as typed or stored.
inline constexpr QLatin1String fieldIsEmpty{"%1 is empty"};
inline constexpr QLatin1String fieldNotANumber{"%1 is not a number: \"%2\""};
inline constexpr QLatin1String fieldOutOfRange{"%1 is outside -32768 to 32767: \"%2\""};
// %1 is the preset's row, counted from 1; %2 why it was passed over.
inline constexpr QLatin1String presetSkipped{"Preset %1 not sent: %2"};

// Settings
inline constexpr QLatin1String settingsNotSaved{"Settings not saved: "};

// Files
inline constexpr QLatin1String presetDatabaseFile{"Pivora.mdb"};

} // namespace texts
