#pragma once

#include <QDialog>

// A window of the program: one default instance, owned by the FormRegistry, placed on a twip grid.
// Closing it by its close box or Esc unloads it, running its close steps, unless the window says
// that closing only hides it.
class Form : public QDialog {
    Q_OBJECT
public:
    explicit Form(QWidget* parent = nullptr);

    // The window's load steps, run by the registry once the instance is registered, so that the
    // steps can refer to the window itself.
    virtual void Form_Load() {}
    // The close steps, run by the registry when the window is unloaded.
    virtual void Form_QueryUnload() {}
    virtual void Form_Unload() {}

    // 1 twip = 1/1440 inch, scaled by the screen's logical dpi.
    static int twips(int value);
    void setClientSizeTwips(int width, int height);
    static void place(QWidget* control, int left, int top, int width, int height);

    // Shows the window modeless, above the owner window in the window manager's stacking order.
    void showOwnedBy(QWidget* owner);
    // Shows the window modal above the owner window and returns when it is hidden or unloaded.
    void execOwnedBy(QWidget* owner);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setOwner(QWidget* owner);
};
