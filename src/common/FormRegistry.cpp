#include "FormRegistry.h"

#include "Form.h"

#include <QTimer>

FormRegistry& FormRegistry::instance() {
    static FormRegistry registry;
    return registry;
}

void FormRegistry::loadAfterShowing(std::function<void()> load) {
    m_pending = std::move(load);
    QTimer::singleShot(0, this, &FormRegistry::loadPending);
}

void FormRegistry::loadPending() {
    if (const std::function<void()> load = std::exchange(m_pending, {}))
        load();
}

Form* FormRegistry::get(const QString& name, const std::function<Form*()>& create) {
    if (Form* existing = loaded(name))
        return existing;
    Form* form = create();
    form->setObjectName(name);
    m_forms.insert(name, form);
    form->Form_Load();
    return form;
}

Form* FormRegistry::loaded(const QString& name) {
    loadPending();
    return m_forms.value(name).data();
}

void FormRegistry::unload(Form* form) {
    const QString name = m_forms.key(form);
    if (!name.isEmpty())
        unload(name);
}

void FormRegistry::unload(const QString& name) {
    Form* form = loaded(name);
    if (!form || m_unloading.contains(name))
        return;
    m_unloading.insert(name);
    form->Form_QueryUnload();
    form->Form_Unload();
    m_unloading.remove(name);
    if (m_forms.value(name) == form)
        m_forms.remove(name);
    form->hide();
    form->deleteLater();
    if (m_forms.isEmpty())
        emit allUnloaded();
}

QStringList FormRegistry::loadedNames() {
    loadPending();
    QStringList names;
    for (auto it = m_forms.cbegin(); it != m_forms.cend(); ++it)
        if (it.value())
            names << it.key();
    return names;
}
