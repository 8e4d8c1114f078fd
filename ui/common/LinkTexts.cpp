#include "ui/common/LinkTexts.h"

#include <QCoreApplication>

namespace {

class LinkWords {
    Q_DECLARE_TR_FUNCTIONS(Link)

public:
    static QString CantFindDevice() { return tr("Can't find the device, please check it"); }
    static QString DeviceDisconnect() { return tr("Device disconnect"); }
    static QString NotEnoughMemory() { return tr("Not enough memory!"); }
    static QString NoPermission()
    {
        return tr("The unit is attached but may not be opened: no access to its hidraw node. Install the udev rules "
                  "(sudo cp tools/70-quenda.rules /etc/udev/rules.d/ && sudo udevadm control --reload && sudo "
                  "udevadm trigger), then unplug the unit and plug it in again.");
    }
    static QString NotConnected() { return tr("Don't open the USB connection"); }
    static QString DeviceFound() { return tr("Find the device"); }
    static QString DeviceNotFound() { return tr("Can not find device"); }
};

// Texts the unit's software has always shown in Chinese, whatever the language.
const char16_t kInvalidReadHandle[] = u"无效的读报告句柄，可能是打开设备时失败";
const char16_t kWriteUnsupported[] = u"该设备不支持WriteFile函数。";

}  // namespace

QString CantFindDeviceText() { return LinkWords::CantFindDevice(); }
QString DeviceDisconnectText() { return LinkWords::DeviceDisconnect(); }
QString NotEnoughMemoryText() { return LinkWords::NotEnoughMemory(); }
QString NoPermissionText() { return LinkWords::NoPermission(); }
QString NotConnectedText() { return LinkWords::NotConnected(); }

QString LinkNoteText(LinkNote note)
{
    switch (note) {
    case LinkNote::DeviceFound: return LinkWords::DeviceFound();
    case LinkNote::DeviceNotFound: return LinkWords::DeviceNotFound();
    case LinkNote::InvalidReadHandle: return QString::fromUtf16(kInvalidReadHandle);
    case LinkNote::NoPermission: return LinkWords::NoPermission();
    case LinkNote::WriteUnsupported: return QString::fromUtf16(kWriteUnsupported);
    }
    return QString();
}
