// What the HID link tells the user, in both languages, and the images of the
// connect button.
#pragma once

struct LinkText {
    const char* english;
    const char* chinese;
};

inline constexpr LinkText kTextCantFindDevice{"Can't find the device, please check it", "没找到设备,请检查是否连接好"};
inline constexpr LinkText kTextDeviceDisconnect{"Device disconnect", "设备断开联连"};
inline constexpr LinkText kTextNotEnoughMemory{"Not enough memory!", "内存不足!"};
inline constexpr LinkText kTextFindDevice{"Find the device", "设备已找到"};
inline constexpr LinkText kTextCannotFindDevice{"Can not find device", "设备未找到"};
inline constexpr LinkText kTextWriteUnsupported{"该设备不支持WriteFile函数。", "该设备不支持WriteFile函数。"};
inline constexpr LinkText kTextInvalidReadHandle{"无效的读报告句柄，可能是打开设备时失败",
                                                 "无效的读报告句柄，可能是打开设备时失败"};
// The commonest trouble on Linux: the unit's hidraw node belongs to root.
inline constexpr LinkText kTextNoPermission{
    "The unit is attached but may not be opened: no access to its hidraw node. Install the udev rules "
    "(sudo cp tools/70-quenda.rules /etc/udev/rules.d/ && sudo udevadm control --reload && sudo udevadm trigger), "
    "then unplug the unit and plug it in again.",
    "设备已连接,但没有访问其 hidraw 设备节点的权限,无法打开。请安装 udev 规则"
    "(sudo cp tools/70-quenda.rules /etc/udev/rules.d/ && sudo udevadm control --reload && sudo udevadm trigger),"
    "然后拔下设备再重新插入。"};

inline constexpr const char* kWarningCaption = "Warning";

// Bitmaps of the connect button (1048): grey USB symbol, red USB symbol.
constexpr int kUsbBitmapDisconnected = 147;
constexpr int kUsbBitmapConnected = 148;

// The text in the language the interface shows (g_LanguageChinese).
const char* LinkTextFor(const LinkText& text);
