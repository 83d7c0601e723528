#pragma once
// The navigator bar: buttons that move a data source's cursor.

#include "platform/dbctrls/DataLink.h"

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
    // Buttons follow the data source: all disabled while no data is open,
    // first and prior at the first row, next and last at the last.
    void setButtonsEnabled(bool first, bool prior, bool next, bool last);
    void setDataSource(db::DataSource *source);

signals:
    void clicked(glyphreel::dbctrls::DBNavigator::Button button);

private:
    void follow();
    void move(Button which);

    std::array<QToolButton *, 4> buttons_{};
    DataLink link_;
};

} // namespace glyphreel::dbctrls
