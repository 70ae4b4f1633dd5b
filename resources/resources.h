#pragma once
// Resource identifiers and the dialog templates, kept as data so that the code that builds the
// windows reads like the templates it was designed from.

#include <QImage>
#include <QString>

#include <array>
#include <string>

namespace res {

inline constexpr int kIconMain = 128;
inline constexpr int kIconConnect = 129;
inline constexpr int kIconDisconnect = 131;
inline constexpr int kIconDisconnected = 133;
inline constexpr int kIconConnected = 134;
inline constexpr int kIconConnectingA = 136;
inline constexpr int kIconConnectingB = 137;

inline constexpr int kStringAboutMenu = 101;
inline constexpr int kStringConnectTip = 102;
inline constexpr int kStringDisconnectTip = 103;

// The string table; an unknown identifier gives the empty text, as LoadString does.
std::string LoadString(int id);

// The icon's image (32-bit with alpha) by resource identifier; a null image when unknown.
QImage LoadIconImage(int id);

enum class ControlKind { GroupBox, ListView, StaticText, PushButton, StaticIcon };

struct ControlTemplate {
  int id;  // -1 for controls without an identifier
  ControlKind kind;
  const char* text;
  bool visible;
  int x, y, width, height;  // dialog units
};

struct DialogTemplate {
  const char* caption;
  int width, height;  // dialog units
  const char* fontFamily;
  int fontPoints;
};

inline constexpr int kIdList = 1008;
inline constexpr int kIdInstall = 1009;
inline constexpr int kIdUninstall = 1004;
inline constexpr int kIdConnect = 1005;
inline constexpr int kIdDisconnect = 1011;
inline constexpr int kIdStatusPicture = 1016;
inline constexpr int kIdStatusText = 1017;
inline constexpr int kIdOk = 1;

// "宋体" (SimSun); fontconfig picks a fallback where it is missing.
inline constexpr const char* kDialogFont = "\xE5\xAE\x8B\xE4\xBD\x93";

inline constexpr DialogTemplate kMainDialog{"Tesmira", 422, 245, kDialogFont, 9};

inline constexpr std::array<ControlTemplate, 12> kMainDialogControls{{
    {-1, ControlKind::GroupBox, "The list of servers", true, 7, 7, 406, 113},
    {kIdList, ControlKind::ListView, "", true, 7, 16, 406, 147},
    {-1, ControlKind::GroupBox, "Virtual network card driver", false, 7, 136, 406, 31},
    {-1, ControlKind::StaticText,
     "OpenVPN server node supports TCP / UDP protocol inter-network, security and stability", false,
     14, 148, 210, 8},
    {kIdInstall, ControlKind::PushButton, "Install the driver", false, 207, 145, 95, 14},
    {kIdUninstall, ControlKind::PushButton, "Uninstall the driver", false, 310, 145, 98, 14},
    {-1, ControlKind::GroupBox, "Function", true, 7, 171, 261, 66},
    {kIdConnect, ControlKind::PushButton, "Connect", true, 15, 188, 50, 40},
    {kIdDisconnect, ControlKind::PushButton, "Disconnect", true, 79, 188, 50, 39},
    {-1, ControlKind::GroupBox, "Status", true, 272, 171, 141, 66},
    {kIdStatusPicture, ControlKind::StaticIcon, "", true, 280, 197, 20, 20},
    {kIdStatusText, ControlKind::StaticText, "Disconnected.", true, 307, 205, 101, 16},
}};

inline constexpr DialogTemplate kAboutDialog{"About Tesmira", 235, 55, kDialogFont, 9};

inline constexpr std::array<ControlTemplate, 4> kAboutDialogControls{{
    {-1, ControlKind::StaticIcon, "", true, 11, 17, 20, 20},
    {-1, ControlKind::StaticText, "Tesmira 1.3", true, 40, 10, 119, 8},
    {-1, ControlKind::StaticText, "A desktop front-end for the OpenVPN engine.", true, 40, 25, 135,
     8},
    {kIdOk, ControlKind::PushButton, "OK", true, 178, 7, 50, 16},
}};

}  // namespace res
