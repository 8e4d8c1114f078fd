// What the program says about the link to the unit: the messages of the
// connect button and of a unit that went away, and the link's notes for the log.
#pragma once

#include "transport/HidLink.h"
#include "ui/common/Language.h"

inline constexpr LanguageText kTextCantFindDevice{"Can't find the device, please check it", "没找到设备,请检查是否连接好"};
inline constexpr LanguageText kTextDeviceDisconnect{"Device disconnect", "设备断开联连"};
inline constexpr LanguageText kTextNotEnoughMemory{"Not enough memory!", "内存不足!"};
// The commonest trouble on Linux: the unit's hidraw node belongs to root.
inline constexpr LanguageText kTextNoPermission{
    "The unit is attached but may not be opened: no access to its hidraw node. Install the udev rules "
    "(sudo cp tools/70-quenda.rules /etc/udev/rules.d/ && sudo udevadm control --reload && sudo udevadm trigger), "
    "then unplug the unit and plug it in again.",
    "设备已连接,但没有访问其 hidraw 设备节点的权限,无法打开。请安装 udev 规则"
    "(sudo cp tools/70-quenda.rules /etc/udev/rules.d/ && sudo udevadm control --reload && sudo udevadm trigger),"
    "然后拔下设备再重新插入。"};

// What a command that needs the unit says while it is not connected.
inline constexpr LanguageText kTextNotConnected{"Don't open the USB connection", "没打开USB联接"};

inline constexpr char kWarningCaption[] = "Warning";

// What the link found, for the log.
LanguageText LinkNoteText(LinkNote note);
