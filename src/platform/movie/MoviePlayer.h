#pragma once
// The movie player control of the import window: shows a movie scaled to
// fit with its aspect kept, with its own play/pause button and position
// slider. Playback is silent.

#include "platform/movie/MovieSource.h"

#include <QImage>
#include <QString>
#include <QWidget>

class QSlider;
class QTimer;
class QToolButton;

namespace glyphreel::movie {

class MoviePlayer : public QWidget {
    Q_OBJECT
public:
    explicit MoviePlayer(QWidget *parent = nullptr);
    ~MoviePlayer() override;

    // Writing a path opens that movie and shows its first picture; the
    // empty path closes the movie. A movie that cannot be opened throws
    // MovieError and leaves the control closed.
    QString fileName() const;
    void setFileName(const QString &path);

    int movieWidth() const;  // 0 when closed
    int movieHeight() const; // 0 when closed
    int length() const;      // the highest position, 0 when closed

    bool isPlaying() const;
    void play();
    // Ends playback that the user started; the picture stays.
    void stop();
    // The position shown.
    int position() const;
    void setPosition(int position);

    // The picture at the position (24-bit), as a bitmap on the clipboard.
    void copyToClipboard(int position);

    // The picture on screen, before scaling (null when closed).
    QImage currentPicture() const;

    QToolButton *playButton() const { return playButton_; }
    QSlider *slider() const { return slider_; }

signals:
    void positionChanged(int position);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void showPosition(int position);
    void step();
    QRect pictureArea() const;

    MovieSource source_;
    QString fileName_;
    bitmap::Bitmap frame_;
    QImage picture_;
    int position_ = 0;
    QToolButton *playButton_;
    QSlider *slider_;
    QTimer *timer_;
};

} // namespace glyphreel::movie
