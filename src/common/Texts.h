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

// Browser window. The home page stands for the maker's site; it is the
// address the window opens on and where its Home button leads.
inline constexpr QLatin1String browserHomePage{"https://www.example.com/"};
inline constexpr QLatin1String browserWorking{"Working..."};
inline constexpr QLatin1String browserAddress{"&Address:"};
inline constexpr QLatin1String browserBack{"Back"};
inline constexpr QLatin1String browserForward{"Forward"};
inline constexpr QLatin1String browserStop{"Stop"};
inline constexpr QLatin1String browserRefresh{"Refresh"};
inline constexpr QLatin1String browserHome{"Home"};

// Files
inline constexpr QLatin1String presetDatabaseFile{"Pivora.mdb"};

} // namespace texts
