#include "widgets/NumericBox.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

NumericBox::NumericBox(int minimum, int maximum, int position, QWidget *parent)
    : QWidget(parent), min_(minimum), max_(maximum), position_(std::clamp(position, minimum, maximum))
{
    edit_ = new QLineEdit(QString::number(position_), this);
    up_ = new QToolButton(this);
    down_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton *b : {up_, down_}) {
        b->setFixedSize(15, 10);
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
    }
    auto *arrows = new QVBoxLayout;
    arrows->setContentsMargins(0, 0, 0, 0);
    arrows->setSpacing(0);
    arrows->addWidget(up_);
    arrows->addWidget(down_);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(edit_, 1);
    row->addLayout(arrows);
    accepted_ = edit_->text();

    acceptedCaret_ = edit_->cursorPosition();

    // The line edit reports a change of its text before it reports the
    // caret's move, so this keeps the caret of the last text taken.
    connect(edit_, &QLineEdit::cursorPositionChanged, this, [this](int, int now) {
        if (!rewriting_)
            acceptedCaret_ = now;
    });
    connect(edit_, &QLineEdit::textChanged, this, &NumericBox::textEdited);
    edit_->installEventFilter(this);
    connect(up_, &QToolButton::clicked, this, [this] {
        stepUp();
        emit arrowClicked();
    });
    connect(down_, &QToolButton::clicked, this, [this] {
        stepDown();
        emit arrowClicked();
    });
}

void NumericBox::setRange(int minimum, int maximum)
{
    min_ = minimum;
    max_ = std::max(minimum, maximum);
    setPosition(position_);
}

void NumericBox::setTypedRange(int minimum, int maximum)
{
    typedRange_ = true;
    typedMin_ = minimum;
    typedMax_ = std::max(minimum, maximum);
}

void NumericBox::setPosition(int position)
{
    position_ = std::clamp(position, min_, max_);
    const QString text = QString::number(position_);
    if (edit_->text() != text)
        edit_->setText(text);
}

void NumericBox::stepUp()
{
    // Steps from a typed number outside the arrows' range land in it.
    setPosition(position_ >= max_ - increment_ ? max_ : position_ + increment_);
}

void NumericBox::stepDown()
{
    setPosition(position_ <= min_ + increment_ ? min_ : position_ - increment_);
}

bool NumericBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == edit_ && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) && !(key->modifiers() & ~Qt::KeypadModifier)) {
            // As a click on the arrow of the same direction.
            key->key() == Qt::Key_Up ? stepUp() : stepDown();
            emit arrowClicked();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void NumericBox::textEdited()
{
    if (rewriting_)
        return;
    const QString text = edit_->text();
    if (text.isEmpty()) {
        accepted_ = text;
        emit changed();
        return;
    }
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok, 10);
    rewriting_ = true;
    if (!ok) {
        QApplication::beep();
        // Setting the text drops the undo steps as well.
        const int caret = acceptedCaret_;
        edit_->setText(accepted_);
        edit_->setCursorPosition(std::min(caret, static_cast<int>(accepted_.size())));
        acceptedCaret_ = edit_->cursorPosition();
        rewriting_ = false;
        emit refused();
        return;
    }
    const int low = typedRange_ ? typedMin_ : min_;
    const int high = typedRange_ ? typedMax_ : max_;
    const int clamped = static_cast<int>(std::clamp<qlonglong>(value, low, high));
    if (QString::number(clamped) != text && (value < low || value > high))
        edit_->setText(QString::number(clamped));
    rewriting_ = false;
    position_ = clamped;
    accepted_ = edit_->text();
    emit changed();
}
