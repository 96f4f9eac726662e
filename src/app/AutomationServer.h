#pragma once

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <memory>

namespace korvale {

class AutomationObject;
class CKORVALEDlg;

// The class factory of the automation class on the session bus: object /ClassFactory of the
// bus name KORVALE.Application, with CreateInstance and Release.
//
// One copy of the program serves one object: once CreateInstance has made it, the copy
// gives up the bus name, so the next client's request starts a fresh copy through bus
// activation. The object goes when its client calls Release or leaves the bus. When it has
// gone and the program is not under the user's control (or its window was hidden while
// held), the main window's modal run ends and with it the program.
//
// Everything runs on the user-interface thread; the bus calls that it makes (claiming and
// releasing the name) block briefly on the bus daemon.
class AutomationServer : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "KORVALE.Application.ClassFactory")
public:
    static constexpr const char* kBusName = "KORVALE.Application";
    static constexpr const char* kFactoryPath = "/ClassFactory";
    static constexpr const char* kInterfaceName = "KORVALE.Application.ClassFactory";
    static constexpr const char* kObjectPathPrefix = "/KORVALE/Application/";

    // `userControl` is false when the program was started by an automation client.
    AutomationServer(QDBusConnection connection, bool userControl);
    ~AutomationServer() override;

    AutomationServer(const AutomationServer&) = delete;
    AutomationServer& operator=(const AutomationServer&) = delete;

    // Publishes the factory object and claims the bus name. Returns false when either
    // failed (another copy holds the name, or the bus refused); the program then runs as
    // an ordinary window that no client can reach.
    bool Publish();
    // The window that new objects attach to; the server does not own it.
    void AttachWindow(CKORVALEDlg* window);
    bool HasObject() const { return m_object != nullptr; }

Q_SIGNALS:
    // The object has gone (released by its client, or the client left the bus).
    void ObjectReleased();

public Q_SLOTS:
    // Makes this copy's one automation object for the calling client and returns its path.
    Q_SCRIPTABLE QDBusObjectPath CreateInstance();
    // Releases an object that the calling client created.
    Q_SCRIPTABLE void Release(const QDBusObjectPath& path);

private Q_SLOTS:
    void OnClientLeft(const QString& uniqueName);
    // The bus connection has gone (the bus daemon ended): nothing can reach or release the
    // object any more, so it is released here, as if its client had left.
    void OnBusCheck();

private:
    void ReleaseObject();
    void GiveUpName();
    void EndProgramIfUnheld();

    QDBusConnection m_connection;
    bool m_userControl;
    bool m_nameHeld = false;
    int m_objectsMade = 0;
    QPointer<CKORVALEDlg> m_window;
    std::unique_ptr<AutomationObject> m_object;
    QDBusServiceWatcher m_clientWatcher;
    QTimer m_busCheck; // runs while an object is held
};

} // namespace korvale
