#pragma once

#include <QDBusVirtualObject>
#include <QPointer>
#include <QString>

namespace korvale {

class CKORVALEDlg;

// The automation object a client creates through the class factory. It offers no methods
// and no properties: every call on it answers org.freedesktop.DBus.Error.UnknownMethod
// (introspection aside, which shows its empty interface). Its existence is what holds the
// program: while it lives it is the main window's automation proxy, and every way of
// closing the window only hides it.
//
// Lives on the user-interface thread; the bus delivers calls to it there. Each side clears
// the other's pointer when it goes first: the window is watched through a QPointer, and the
// destructor clears the window's proxy when it still points here.
class AutomationObject : public QDBusVirtualObject {
    Q_OBJECT
public:
    static constexpr const char* kInterfaceName = "KORVALE.Application.Automation";

    // Attaches itself to `window` (may be null when there is none).
    AutomationObject(CKORVALEDlg* window, QString ownerName, QString path);
    ~AutomationObject() override;

    AutomationObject(const AutomationObject&) = delete;
    AutomationObject& operator=(const AutomationObject&) = delete;

    // The unique bus name of the client that created it.
    const QString& OwnerName() const { return m_ownerName; }
    const QString& Path() const { return m_path; }

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    QPointer<CKORVALEDlg> m_window;
    QString m_ownerName;
    QString m_path;
};

} // namespace korvale
