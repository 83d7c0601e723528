#pragma once
// The application object: creates the windows, knows the main one, and is
// the message loop's last line for errors, which it shows in the standard
// exception box before going on.

#include <QApplication>
#include <QWidget>

#include <vector>

class GlyphreelApplication : public QApplication {
    Q_OBJECT
public:
    GlyphreelApplication(int &argc, char **argv);
    ~GlyphreelApplication() override;

    // Creates a window, keeps it in the global reference, and makes the
    // first one created the main window.
    template <typename Form>
    void createForm(Form *&reference)
    {
        reference = new Form;
        adopt(reference);
    }

    QWidget *mainForm() const { return mainForm_; }
    // The windows in the order they were created.
    const std::vector<QWidget *> &forms() const { return forms_; }

    // Shows the main window and runs the message loop until it closes.
    int run();

    bool notify(QObject *receiver, QEvent *event) override;

private:
    void adopt(QWidget *form);

    QWidget *mainForm_ = nullptr;
    std::vector<QWidget *> forms_;
};
