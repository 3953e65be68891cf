// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLatin1String>

// Sections and keys of the per-user settings store. The texts are part of the
// stored file's format: changing one loses what operators have saved.
namespace keys {

inline constexpr QLatin1String organisation{"KivraWebcam"};
inline constexpr QLatin1String application{"KivraWebcam"};

inline constexpr QLatin1String settingsSection{"Settings"};
inline constexpr QLatin1String portsSection{"Ports"};
inline constexpr QLatin1String uploadSection{"Upload"};
inline constexpr QLatin1String frameSection{"Frame"};
inline constexpr QLatin1String mountSection{"Mount"};
inline constexpr QLatin1String camerasSection{"Cameras"};

// [Ports]: device path of each COM number, "COM1" to "COM4".
inline constexpr QLatin1String portKeyPrefix{"COM"};

// [Settings]
inline constexpr QLatin1String com1{"Com1"};
inline constexpr QLatin1String com2{"Com2"};
inline constexpr QLatin1String com3{"Com3"};
inline constexpr QLatin1String com4{"Com4"};
inline constexpr QLatin1String accel{"Accel"};
inline constexpr QLatin1String manual{"Manual"};
inline constexpr QLatin1String random{"Random"};
inline constexpr QLatin1String sequence{"Sequence"};
inline constexpr QLatin1String train{"Train"};
inline constexpr QLatin1String picture{"Picture"};
inline constexpr QLatin1String interval{"Interval"};
inline constexpr QLatin1String timer1{"Timer1"};
inline constexpr QLatin1String deleteButton{"Delete"};
inline constexpr QLatin1String captureFrame{"CaptureFrame"};
inline constexpr QLatin1String ftpEnable{"FTPEnable"};
inline constexpr QLatin1String filePath{"FilePath"};
inline constexpr QLatin1String fileName{"FileName"};
inline constexpr QLatin1String fileHost{"FileHost"};
inline constexpr QLatin1String fileLogin{"FileLogin"};
inline constexpr QLatin1String filePassword{"FilePassword"};
inline constexpr QLatin1String fileInterval{"FileInterval"};
inline constexpr QLatin1String fileAuto{"FileAuto"};
inline constexpr QLatin1String fileQuality{"FileQuality"};

// [Upload]: how frames travel, set by hand in the file.
inline constexpr QLatin1String caCertificate{"CACertificate"};
inline constexpr QLatin1String atomic{"Atomic"};
inline constexpr QLatin1String passive{"Passive"};

// [Cameras]: one group per network camera, named as the driver list shows
// it ("Mast/Address", written "Mast\Address" in the file).
inline constexpr QLatin1String cameraAddress{"Address"};
inline constexpr QLatin1String cameraUser{"User"};
inline constexpr QLatin1String cameraPassword{"Password"};
// Milliseconds an RTSP stream is held to even out the network; small keeps
// the picture close to live.
inline constexpr QLatin1String cameraLatency{"Latency"};
// "tcp" (the default: passes firewalls, loses nothing) or "udp".
inline constexpr QLatin1String cameraTransport{"Transport"};

// [Frame]: how published frames are dressed, set by the Frame Settings
// dialog.
inline constexpr QLatin1String caption{"Caption"};
inline constexpr QLatin1String captionPosition{"CaptionPosition"};
inline constexpr QLatin1String captionSize{"CaptionSize"};
inline constexpr QLatin1String captionColor{"CaptionColor"};
inline constexpr QLatin1String bandColor{"BandColor"};
inline constexpr QLatin1String width{"Width"};
inline constexpr QLatin1String rotate{"Rotate"};
inline constexpr QLatin1String mirror{"Mirror"};
inline constexpr QLatin1String positionTop{"Top"};
inline constexpr QLatin1String positionBottom{"Bottom"};

// [Mount]: the head's protocol and how the station's numbers reach it, set
// by the Mount Settings dialog.
inline constexpr QLatin1String protocol{"Protocol"};
inline constexpr QLatin1String address{"Address"};
inline constexpr QLatin1String baud{"Baud"};
inline constexpr QLatin1String panFrom{"PanFrom"};
inline constexpr QLatin1String panTo{"PanTo"};
inline constexpr QLatin1String tiltFrom{"TiltFrom"};
inline constexpr QLatin1String tiltTo{"TiltTo"};
inline constexpr QLatin1String unitsPerDegree{"UnitsPerDegree"};
// Milliseconds between two commands.
inline constexpr QLatin1String gap{"MinimumGap"};
inline constexpr QLatin1String protocolStation{"Station"};
inline constexpr QLatin1String protocolPelcoD{"PelcoD"};
inline constexpr QLatin1String protocolPelcoP{"PelcoP"};
inline constexpr QLatin1String protocolVisca{"Visca"};

// [Web]: the web remote, set by its dialog or `--web-password`.
inline constexpr QLatin1String webSection{"Web"};
inline constexpr QLatin1String webEnabled{"Enabled"};
inline constexpr QLatin1String webPort{"Port"};
inline constexpr QLatin1String webCertificate{"Certificate"};
inline constexpr QLatin1String webKey{"Key"};
inline constexpr QLatin1String webFrameWidth{"FrameWidth"};
inline constexpr QLatin1String webFrameRate{"FrameRate"};
inline constexpr QLatin1String webAdminHash{"AdminHash"};
inline constexpr QLatin1String webGuestHash{"GuestHash"};

} // namespace keys
