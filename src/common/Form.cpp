#include "Form.h"

#include "FormRegistry.h"
#include "Twips.h"

#include <QCloseEvent>
#include <QLabel>
#include <QWindow>

Form::Form(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
}

int Form::twips(int value) {
    return PixelsFromTwips(value);
}

void Form::setClientSizeTwips(int width, int height) {
    setFixedSize(twips(width), twips(height));
}

void Form::place(QWidget* control, int left, int top, int width, int height) {
    QRect geometry(twips(left), twips(top), twips(width), twips(height));
    // The layouts were drawn for a narrower font: a caption that does not fit grows away from its
    // alignment edge instead of being clipped.
    const auto* label = qobject_cast<const QLabel*>(control);
    if (label && !label->text().isEmpty()) {
        const int needed = label->sizeHint().width();
        if (needed > geometry.width()) {
            if (label->alignment() & Qt::AlignRight)
                geometry.setLeft(geometry.right() - needed + 1);
            else
                geometry.setWidth(needed);
        }
    }
    control->setGeometry(geometry);
}

void Form::setOwner(QWidget* owner) {
    winId();
    if (owner && windowHandle() && owner->windowHandle())
        windowHandle()->setTransientParent(owner->windowHandle());
}

void Form::showOwnedBy(QWidget* owner) {
    setOwner(owner);
    show();
    activateWindow();
}

void Form::execOwnedBy(QWidget* owner) {
    setOwner(owner);
    exec();
}

void Form::closeEvent(QCloseEvent* event) {
    // The registry hides and destroys the window after its close steps.
    event->ignore();
    FormRegistry::instance().unload(this);
}

void Form::reject() {
    close();
}

void Form::keyPressEvent(QKeyEvent* event) {
    // A dialog presses its default button on Enter; these windows have none.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}
