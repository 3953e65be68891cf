// SPDX-License-Identifier: GPL-3.0-or-later
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
// %1 is the local time of the last frame that arrived.
inline constexpr QLatin1String cameraNoPictureSince{"No picture from the camera since %1"};
inline constexpr QLatin1String cameraPictureBack{"Picture from the camera back"};
inline constexpr QLatin1String cameraReconnected{"Capture Device reconnected."};
inline constexpr QLatin1String cameraGone{"the camera was disconnected"};
// A network camera: %1 its name, %2 why (never its password).
inline constexpr QLatin1String networkCameraLost{"Camera %1 lost: %2"};
inline constexpr QLatin1String networkCameraBack{"Camera %1 back"};
// %1 seconds without a frame.
inline constexpr QLatin1String networkCameraSilent{"no picture for %1 s"};
inline constexpr QLatin1String networkCameraEnded{"the stream ended"};
inline constexpr QLatin1String networkCamerasButton{"Network Cameras..."};
// In the video settings while a network camera runs: %1 its name.
inline constexpr QLatin1String networkCameraFormat{
    "Camera %1 sends its own picture size; it is set on the camera."};
inline constexpr QLatin1String networkCamerasCaption{"Network Cameras"};

// Mount link
inline constexpr QLatin1String couldNotOpenPrefix{"Could not open "};
inline constexpr QLatin1String mountNotConnected{
    "Mount not connected: choose a serial port that can be opened"};
// %1 is the port ("COM1"), %2 why it was lost.
inline constexpr QLatin1String mountLost{"Mount on %1 lost: %2"};
inline constexpr QLatin1String mountNotReading{"Mount on %1 is not reading"};
inline constexpr QLatin1String mountBack{"Mount on %1 back"};
// A head that answers (VISCA): no answer in time, or a refusal, %2 saying
// which.
inline constexpr QLatin1String mountNoAnswer{"Mount on %1 does not answer"};
inline constexpr QLatin1String mountRefused{"Mount on %1 refused a command: %2"};
inline constexpr QLatin1String mountSettingsMenu{"Mount Settings..."};
inline constexpr QLatin1String mountSettingsCaption{"Mount Settings"};
inline constexpr QLatin1String mountProtocolTip{
    "The language of the pan/tilt head: Station for the station's own commands"};
inline constexpr QLatin1String mountAddressTip{
    "The head's address: its switches (Pelco, 1 to 255) or its place on the chain (VISCA, 1 to 7)"};
inline constexpr QLatin1String mountUnitsTip{
    "How many of its position units a VISCA head turns a degree"};
inline constexpr QLatin1String mountGapTip{"The pause the head needs between two commands"};
// %1 and %2: the pad's pan and tilt of the test move.
inline constexpr QLatin1String mountTestMoveLabel{"Bytes for pan %1, tilt %2"};
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
inline constexpr QLatin1String presetDatabaseBusy{"Preset database busy: "};
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

// Browser window. The home page stands for the maker's site; it is the
// address the window opens on and where its Home button leads.
inline constexpr QLatin1String browserHomePage{"https://www.example.com/"};
inline constexpr QLatin1String browserWorking{"Working..."};
inline constexpr QLatin1String browserUnavailable{"Browser unavailable: "};
inline constexpr QLatin1String browserAddress{"&Address:"};
inline constexpr QLatin1String browserBack{"Back"};
inline constexpr QLatin1String browserForward{"Forward"};
inline constexpr QLatin1String browserStop{"Stop"};
inline constexpr QLatin1String browserRefresh{"Refresh"};
inline constexpr QLatin1String browserHome{"Home"};

// Files
inline constexpr QLatin1String presetDatabaseFile{"Pivora.mdb"};

// Publishing frames: the two frame files beside the preset database, the
// status texts of one send in the order they appear, and the FTP dialog.
inline constexpr QLatin1String frameBitmapFile{"Picture.bmp"};
inline constexpr QLatin1String frameJpegFile{"Picture.jpg"};
inline constexpr QLatin1String presetFileNameField{"FileName"};
inline constexpr QLatin1String readBitmapError{"ImgDLLReadRGBFromBMP error: "};
inline constexpr QLatin1String saveJpegError{"ImgDLLSaveRGBToJPG error: "};
inline constexpr QLatin1String createdPrefix{"Created "};
inline constexpr QLatin1String uploadingPicture{"Uploading Picture..."};
inline constexpr QLatin1String transferredPrefix{"Transferred "};
inline constexpr QLatin1String transferredSuffix{" Bytes"};
inline constexpr QLatin1String uploadSkipped{"Upload skipped: previous transfer still running"};
inline constexpr QLatin1String uploadSkippedNoPicture{
    "Upload skipped: no new picture from the camera"};
// %1 is the frame file, %2 the system's reason.
inline constexpr QLatin1String frameNotWritten{"Could not write %1: %2"};
inline constexpr QLatin1String frameCutShort{"the file was cut short"};
inline constexpr QLatin1String uploadFailedPrefix{"Upload failed: "};
inline constexpr QLatin1String settingsNotSavedPrefix{"Settings not saved: "};
// Why the settings file is left alone, shown after "Settings not saved: ";
// %1 is the file, %2 where its link leads.
inline constexpr QLatin1String settingsUnreadable{"%1 could not be read"};
inline constexpr QLatin1String settingsNotOwn{"%1 is not a regular file of your own"};
inline constexpr QLatin1String settingsLinkRefused{
    "%1 links to %2, which is not a regular file of your own"};
// Said at start-up until the file is private; %1 is the file.
inline constexpr QLatin1String settingsExposed{
    "%1 holds a password and others can read it; chmod 600 makes it private"};
inline constexpr QLatin1String settingsCannotWrite{"cannot write %1: %2"};
inline constexpr QLatin1String settingsWouldChange{
    "%1 would not read back as written; the file is left as it was"};
// Why the transfer refused an upload, shown after "Upload failed: ".
inline constexpr QLatin1String transferUnknownCommand{"not a command of the transfer: "};
inline constexpr QLatin1String transferLineBreakInName{"the remote file name holds a line break"};
inline constexpr QLatin1String transferLineBreakInLogin{
    "the login name or password holds a line break"};
inline constexpr QLatin1String transferNoRemoteFile{
    "no remote file name (FTP Settings: Path and FileName)"};
inline constexpr QLatin1String transferNoServer{"no FTP server set (FTP Settings)"};
inline constexpr QLatin1String transferBadServer{"not a server name: "};
inline constexpr QLatin1String transferCannotRead{"cannot read "};
inline constexpr QLatin1String transferCannotStart{"the transfer library could not start"};
// Why a file the transfer reads (the frame, "CACertificate") was refused,
// after its name; %1 is the limit in MB.
inline constexpr QLatin1String fileNotRegular{"not a regular file"};
inline constexpr QLatin1String fileNotOwnRegular{"not a regular file of your own"};
inline constexpr QLatin1String fileTooLarge{"larger than %1 MB"};
// The upload record's result for a transfer cut off by closing the station.
inline constexpr QLatin1String transferAborted{"aborted: the station closed"};
// Secure and atomic publishing: refusals shown after "Upload failed: ",
// the notice for servers that cannot rename, and the upload record.
inline constexpr QLatin1String transferUnsupportedAddress{"unsupported server address: "};
inline constexpr QLatin1String transferCaUnreadable{"cannot read the CACertificate file "};
inline constexpr QLatin1String transferCaEmpty{"the CACertificate file holds no certificate: "};
inline constexpr QLatin1String transferCaNotSupported{
    "the TLS library cannot take the CACertificate file"};
inline constexpr QLatin1String transferCertificateRefused{"the server's certificate was refused: "};
// %1 is the file the key was recorded in.
inline constexpr QLatin1String transferHostKeyChanged{
    "the SFTP server's host key differs from the one recorded in %1; refused. If the server "
    "really has a new key, remove its line from that file"};
inline constexpr QLatin1String transferNoKnownHosts{"no file to record SFTP host keys in"};
inline constexpr QLatin1String noAtomicReplace{
    "This server cannot replace files atomically: frames are stored directly under their name"};
inline constexpr QLatin1String uploadRecordOk{"ok"};
inline constexpr QLatin1String uploadRecordFile{"uploads.log"};
inline constexpr QLatin1String stationLogFile{"station.log"};
// Why a log file is left alone; %1 is the file, %2 the system's reason.
inline constexpr QLatin1String logFileRefused{"%1 is not a regular file of your own"};
inline constexpr QLatin1String logFileCannotOpen{"cannot write %1: %2"};
// After the reason, when the station's log cannot be kept.
inline constexpr QLatin1String stationLogStderrOnly{"; messages go to standard error only"};
inline constexpr QLatin1String uploadRecordOff{"Uploads not recorded: "};
inline constexpr QLatin1String knownHostsFile{"known_hosts"};
inline constexpr QLatin1String temporaryUploadPrefix{".part-"};
// The old file while a new one replaces it on a server that will not rename
// over a file.
inline constexpr QLatin1String asideUploadPrefix{".old-"};
inline constexpr QLatin1String ftpSettingsCaption{"FTP Settings"};
inline constexpr QLatin1String jpegQualityTip{"Use 30 for best quality/compression"};
inline constexpr QLatin1String intervalNotAllowed{
    "Interval: enter a number of seconds from -32768 to 32767. Automatic updates run "
    "every 1 second or more; 0 or less leaves them as they are."};

// Dressing published frames: the menu of the live picture and its dialog.
inline constexpr QLatin1String frameSettingsCaption{"Frame Settings"};
inline constexpr QLatin1String frameSettingsMenu{"Frame Settings..."};
inline constexpr QLatin1String captionTip{
    "Text of the band on published frames: %Y-%m-%d %H:%M:%S and the other strftime fields give "
    "the time of the snap, {preset} the preset's number and {name} its FileName without the "
    "extension in sequenced pointing. Empty: no band."};
inline constexpr QLatin1String frameOwnWidth{"as grabbed"};
// %1 x %2 is the published picture's size.
inline constexpr QLatin1String publishedSize{"Published: %1 x %2 pixels"};

} // namespace texts
