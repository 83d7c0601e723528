#pragma once
// The application object: creates the windows, knows the main one, and is
// the message loop's last line for errors, which it shows in the standard
// exception box before going on.

#include <QApplication>
#include <QWidget>

#include <functional>
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
        adopt(reference, [&reference] { reference = nullptr; });
    }

    QWidget *mainForm() const { return mainForm_; }
    // The windows in the order they were created.
    const std::vector<QWidget *> &forms() const { return forms_; }

    // Shows the main window and runs the message loop until it closes.
    int run();

    bool notify(QObject *receiver, QEvent *event) override;

private:
    // The reset clears the global reference when the window goes, so that
    // windows going later never reach one that has gone.
    void adopt(QWidget *form, std::function<void()> reset);

    QWidget *mainForm_ = nullptr;
    std::vector<QWidget *> forms_;
    std::vector<std::function<void()>> resets_;
};
