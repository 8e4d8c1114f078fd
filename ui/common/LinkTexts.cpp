#include "ui/common/LinkTexts.h"

#include <QCoreApplication>

namespace {

class LinkWords {
    Q_DECLARE_TR_FUNCTIONS(Link)

public:
    static QString CantFindDevice() { return tr("Can't find the device, please check it"); }
    static QString DeviceDisconnect() { return tr("Device disconnect"); }
    static QString NotEnoughMemory() { return tr("Not enough memory!"); }
    static QString NoPermission() { return tr("The unit is attached but may not be opened: no access to its hidraw node"); }
    static QString NoPermissionAt(const QString& node, const QString& command)
    {
        return tr("The unit is attached at %1, but this user may not open it. Install the quenda package, which "
                  "brings the udev rule that gives access, or install the rule with this command:\n\n%2\n\nthen "
                  "unplug the unit and plug it in again.")
            .arg(node, command);
    }
    static QString NotConnected() { return tr("Don't open the USB connection"); }
    static QString InUse(const QString& node, const QString& holder)
    {
        return tr("The unit at %1 is in use by another program: %2. Close that program, then press the USB button "
                  "again.")
            .arg(node, holder);
    }
    static QString Holder(qint64 processId, const QString& command)
    {
        return command.isEmpty() ? tr("process %1").arg(processId) : tr("process %1 (%2)").arg(processId).arg(command);
    }
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
QString UdevRuleLine()
{
    const auto hex4 = [](std::uint16_t id) { return QStringLiteral("%1").arg(id, 4, 16, QLatin1Char('0')); };
    return QStringLiteral("KERNEL==\"hidraw*\", SUBSYSTEM==\"hidraw\", ATTRS{idVendor}==\"%1\", "
                          "ATTRS{idProduct}==\"%2\", TAG+=\"uaccess\"")
        .arg(hex4(kUnitVendorId), hex4(kUnitProductId));
}

QString UdevRuleInstallCommand()
{
    return QStringLiteral("echo '%1' | sudo tee /etc/udev/rules.d/70-quenda.rules && sudo udevadm control --reload "
                          "&& sudo udevadm trigger")
        .arg(UdevRuleLine());
}

QString NoPermissionText(const QString& node) { return LinkWords::NoPermissionAt(node, UdevRuleInstallCommand()); }
QString NotConnectedText() { return LinkWords::NotConnected(); }

QString UnitHolderText(const UnitHolder& holder)
{
    return LinkWords::Holder(holder.processId, QString::fromStdString(holder.command));
}

QString UnitInUseText(const QString& node, const UnitHolder& holder)
{
    return LinkWords::InUse(node, UnitHolderText(holder));
}

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
