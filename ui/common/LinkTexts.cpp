#include "ui/common/LinkTexts.h"

LanguageText LinkNoteText(LinkNote note)
{
    switch (note) {
    case LinkNote::DeviceFound: return {"Find the device", "设备已找到"};
    case LinkNote::DeviceNotFound: return {"Can not find device", "设备未找到"};
    case LinkNote::InvalidReadHandle:
        return {"无效的读报告句柄，可能是打开设备时失败", "无效的读报告句柄，可能是打开设备时失败"};
    case LinkNote::NoPermission: return kTextNoPermission;
    case LinkNote::WriteUnsupported: return {"该设备不支持WriteFile函数。", "该设备不支持WriteFile函数。"};
    }
    return {"", ""};
}
