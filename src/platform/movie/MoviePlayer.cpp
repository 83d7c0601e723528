#include "platform/movie/MoviePlayer.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QPainter>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QToolButton>

#include <cmath>

namespace glyphreel::movie {
namespace {

constexpr int kBarHeight = 24;
// Movies whose container names no rate play at this one.
constexpr double kFallbackRate = 15.0;

QImage toImage(const bitmap::Bitmap &b)
{
    if (b.isNull())
        return {};
    return QImage(b.row(0), b.width(), b.height(), static_cast<qsizetype>(b.stride()), QImage::Format_BGR888).copy();
}

} // namespace

MoviePlayer::MoviePlayer(QWidget *parent)
    : QWidget(parent), playButton_(new QToolButton(this)), slider_(new QSlider(Qt::Horizontal, this)),
      timer_(new QTimer(this))
{
    resize(250, 242);
    playButton_->setObjectName(QStringLiteral("play"));
    playButton_->setAutoRaise(true);
    playButton_->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    playButton_->setToolTip(QStringLiteral("再生"));
    playButton_->setEnabled(false);
    slider_->setObjectName(QStringLiteral("position"));
    slider_->setToolTip(QStringLiteral("位置"));
    slider_->setRange(0, 0);
    slider_->setEnabled(false);
    timer_->setTimerType(Qt::PreciseTimer);

    connect(playButton_, &QToolButton::clicked, this, [this] { isPlaying() ? stop() : play(); });
    // The slider shows what it is dragged to while it is dragged.
    connect(slider_, &QSlider::valueChanged, this, [this](int value) {
        if (value == position_ || !source_.isOpen())
            return;
        try {
            showPosition(value);
        } catch (const MovieError &) {
            // A frame that does not decode leaves the last picture shown.
        }
    });
    connect(timer_, &QTimer::timeout, this, [this] { step(); });
}

MoviePlayer::~MoviePlayer() = default;

QString MoviePlayer::fileName() const
{
    return fileName_;
}

void MoviePlayer::setFileName(const QString &path)
{
    stop();
    source_.close();
    fileName_.clear();
    frame_ = bitmap::Bitmap();
    picture_ = QImage();
    position_ = 0;
    {
        const QSignalBlocker block(slider_);
        slider_->setRange(0, 0);
        slider_->setValue(0);
    }
    slider_->setEnabled(false);
    playButton_->setEnabled(false);
    update();
    if (path.isEmpty())
        return;

    try {
        source_.open(QFile::encodeName(path).toStdString());
        fileName_ = path;
        {
            const QSignalBlocker block(slider_);
            slider_->setRange(0, source_.length());
        }
        showPosition(0);
    } catch (...) {
        source_.close();
        fileName_.clear();
        frame_ = bitmap::Bitmap();
        picture_ = QImage();
        {
            const QSignalBlocker block(slider_);
            slider_->setRange(0, 0);
        }
        update();
        throw;
    }
    slider_->setEnabled(true);
    playButton_->setEnabled(true);
}

int MoviePlayer::movieWidth() const
{
    return source_.width();
}

int MoviePlayer::movieHeight() const
{
    return source_.height();
}

int MoviePlayer::length() const
{
    return source_.length();
}

bool MoviePlayer::isPlaying() const
{
    return timer_->isActive();
}

void MoviePlayer::play()
{
    if (!source_.isOpen() || isPlaying())
        return;
    if (position_ >= source_.length()) {
        // Played to the end: play again from the start.
        try {
            showPosition(0);
        } catch (const MovieError &) {
            return;
        }
    }
    const double rate = source_.frameRate() > 0 ? source_.frameRate() : kFallbackRate;
    timer_->start(std::max(1, static_cast<int>(std::lround(1000.0 / rate))));
    playButton_->setIcon(style()->standardIcon(QStyle::SP_MediaPause));
    playButton_->setToolTip(QStringLiteral("一時停止"));
}

void MoviePlayer::stop()
{
    timer_->stop();
    playButton_->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    playButton_->setToolTip(QStringLiteral("再生"));
}

int MoviePlayer::position() const
{
    return position_;
}

void MoviePlayer::setPosition(int position)
{
    showPosition(position);
}

void MoviePlayer::copyToClipboard(int position)
{
    QImage image;
    if (position == position_ && !picture_.isNull()) {
        image = picture_;
    } else {
        bitmap::Bitmap frame;
        source_.readFrame(position, frame);
        image = toImage(frame);
    }
    QGuiApplication::clipboard()->setImage(image);
}

QImage MoviePlayer::currentPicture() const
{
    return picture_;
}

void MoviePlayer::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect area(0, 0, width(), std::max(0, height() - kBarHeight));
    painter.fillRect(area, Qt::black);
    if (picture_.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(pictureArea(), picture_);
}

void MoviePlayer::resizeEvent(QResizeEvent *)
{
    const int top = std::max(0, height() - kBarHeight);
    playButton_->setGeometry(0, top, kBarHeight, kBarHeight);
    slider_->setGeometry(kBarHeight + 2, top, std::max(0, width() - kBarHeight - 4), kBarHeight);
}

void MoviePlayer::showPosition(int position)
{
    source_.readFrame(position, frame_);
    picture_ = toImage(frame_);
    position_ = position;
    {
        const QSignalBlocker block(slider_);
        slider_->setValue(position);
    }
    update();
    emit positionChanged(position);
}

void MoviePlayer::step()
{
    if (!source_.isOpen() || position_ >= source_.length()) {
        stop();
        return;
    }
    try {
        showPosition(position_ + 1);
    } catch (const MovieError &) {
        stop();
        return;
    }
    if (position_ >= source_.length())
        stop();
}

// The picture scaled to fit the area above the buttons, its aspect kept,
// centred.
QRect MoviePlayer::pictureArea() const
{
    const int areaWidth = width();
    const int areaHeight = std::max(0, height() - kBarHeight);
    if (picture_.isNull() || areaWidth <= 0 || areaHeight <= 0)
        return {};
    const QSize fitted = picture_.size().scaled(areaWidth, areaHeight, Qt::KeepAspectRatio);
    return QRect((areaWidth - fitted.width()) / 2, (areaHeight - fitted.height()) / 2, fitted.width(), fitted.height());
}

} // namespace glyphreel::movie
