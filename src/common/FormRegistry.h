#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <functional>

class Form;

// Owns the one default instance of every window. A reference to a window that is not loaded
// loads it hidden; unloading runs its close steps, forgets it and destroys it, so the next
// reference loads it afresh with its design-time values.
class FormRegistry : public QObject {
    Q_OBJECT
public:
    static FormRegistry& instance();

    template <class T> T* get() {
        return static_cast<T*>(
            get(QString::fromLatin1(T::staticMetaObject.className()), [] { return new T; }));
    }
    template <class T> T* loaded() {
        return static_cast<T*>(loaded(QString::fromLatin1(T::staticMetaObject.className())));
    }
    template <class T> void unload() {
        unload(QString::fromLatin1(T::staticMetaObject.className()));
    }

    Form* get(const QString& name, const std::function<Form*()>& create);
    Form* loaded(const QString& name);
    bool isLoaded(const QString& name) { return loaded(name) != nullptr; }
    // Does nothing for a window that is not loaded or is already being unloaded.
    void unload(const QString& name);
    void unload(Form* form);
    QStringList loadedNames();
    // Loads windows once the event loop has shown what is shown now, so that the first window
    // reaches the screen sooner. Nothing can tell: any question to the registry before then
    // runs `load` first.
    void loadAfterShowing(std::function<void()> load);

signals:
    // The last loaded window has been unloaded: the program's end.
    void allUnloaded();

private:
    void loadPending();

    std::function<void()> m_pending;
    QHash<QString, QPointer<Form>> m_forms;
    QSet<QString> m_unloading;
};

// The loaded default instance of window T, loading it hidden when needed.
template <class T> T& form() {
    return *FormRegistry::instance().get<T>();
}
template <class T> void unload() {
    FormRegistry::instance().unload<T>();
}
