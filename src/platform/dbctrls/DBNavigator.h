#pragma once
// The navigator bar: buttons that move a data source's cursor.

#include <QToolButton>
#include <QWidget>

#include <array>

namespace glyphreel::dbctrls {

class DBNavigator : public QWidget {
    Q_OBJECT
public:
    enum class Button { First, Prior, Next, Last };

    explicit DBNavigator(QWidget *parent = nullptr);

    QToolButton *button(Button which) const { return buttons_[static_cast<std::size_t>(which)]; }
    void setHints(const QString &first, const QString &prior, const QString &next, const QString &last);
    void setFlat(bool flat);
    // Buttons follow the data source: all disabled while no data is open.
    void setButtonsEnabled(bool first, bool prior, bool next, bool last);

signals:
    void clicked(glyphreel::dbctrls::DBNavigator::Button button);

private:
    std::array<QToolButton *, 4> buttons_{};
};

} // namespace glyphreel::dbctrls
