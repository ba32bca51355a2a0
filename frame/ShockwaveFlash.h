// The web banner over the toolbar's blank buttons. It takes the four calls
// the frame makes on it (scale mode, menu, load a movie, play) and fetches
// the movie itself: an animated picture plays in a loop, a still picture is
// shown, and anything else, or a fetch that fails, leaves it blank. Nothing
// of that is ever reported: the banner is decoration, and the program goes
// on the same whatever the banner service answers.
//
// Decoration must cost nothing while the viewer sits idle, whatever the
// movie: each frame of an animation is decoded once, drawn once at the
// banner's size, and kept; later passes show the kept pictures, and the
// decoder and the movie's bytes are let go after the first. No frame shows
// sooner than kMinFrameMs after the one before, and a delay of 10 ms or
// less, which browsers show at 100 ms, is 100 ms here too. An animation of
// more than kMaxKeptFrames frames plays once and stays on its last frame.
#pragma once

#include "BannerGeometry.h"

#include <QBuffer>
#include <QByteArray>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <memory>
#include <vector>

class QMovie;
class QTimer;
class QNetworkAccessManager;
class QNetworkReply;

class CShockwaveFlash : public QWidget {
    Q_OBJECT
public:
    // The most a movie may weigh, counted as the bytes arrive whatever the
    // server announces; a larger answer is dropped.
    static constexpr qint64 kMaxMovieBytes = 4 * 1024 * 1024;
    // The most the network layer holds for the banner before it is read.
    static constexpr qint64 kReadAheadBytes = 256 * 1024;
    // A fetch ends this long after it started, however it is going.
    static constexpr int kFetchDeadlineMs = 30000;
    // The shortest time a frame shows, the delay given to frames whose own
    // is 10 ms or less, and the most frames kept for the loop.
    static constexpr int kMinFrameMs = 50;
    static constexpr int kQuickFrameMs = 100;
    static constexpr int kMaxKeptFrames = 240;
    // The deadline of fetches started from now on; tests shorten it.
    static void SetFetchDeadlineMs(int ms);

    explicit CShockwaveFlash(QWidget* parent = nullptr);
    ~CShockwaveFlash() override;

    // How the movie fits the banner (bannergeometry::ScaleMode); other
    // values leave the mode as it is.
    void SetScaleMode(long mode);
    // Whether a right click on the banner may bring up a menu: with false
    // it brings up nothing at all, not even the surrounding window's menu.
    void SetMenu(bool show);
    // Starts fetching the movie at url in the background, in place of the
    // one shown. The banner has one layer, so every layer number loads into
    // it.
    void LoadMovie(long layer, const QString& url);
    // Plays the movie, now or as soon as it has arrived.
    void Play();

    enum class Content { Blank, Still, Animation };
    Content Shows() const { return m_content; }
    bannergeometry::ScaleMode ScaleMode() const { return m_scaleMode; }
    bool IsPlaying() const { return m_playing; }
    // The frame of the animation shown; -1 without an animation.
    int CurrentFrame() const;
    // Frames decoded since the animation arrived: once each, however long
    // it plays.
    int DecodedFrames() const { return m_decodedFrames; }

signals:
    // The fetch started by LoadMovie ended, with something to show or not.
    void LoadFinished();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void OnFetchFinished(QNetworkReply* reply);
    void ShowMovie(const QByteArray& data);
    void Clear();
    void OnFrameDue();
    void KeepDecodedFrame(qint64 decodeMs);
    void ShowNextFrameLater();

    bannergeometry::ScaleMode m_scaleMode = bannergeometry::kShowAll;
    bool m_playing = false;
    Content m_content = Content::Blank;
    QNetworkAccessManager* m_network;     // child object
    QPointer<QNetworkReply> m_reply;      // the fetch under way
    QByteArray m_received;                // what the fetch has brought so far
    QTimer* m_deadline;                   // child object: ends the fetch under way
    QBuffer m_movieBuffer;                // the fetched bytes the animation decodes
    std::unique_ptr<QMovie> m_animation;  // declared after its buffer: goes first; the first pass only
    QTimer* m_frameTimer;                 // child object: the next frame's turn
    struct KeptFrame {
        QPixmap picture;  // the frame as the banner draws it, at the banner's size
        int delayMs = 0;  // how long it shows
    };
    std::vector<KeptFrame> m_frames;      // every frame decoded so far, in order
    int m_shownFrame = -1;                // index into m_frames
    bool m_allKept = false;               // the first pass has ended: loop over m_frames
    int m_decodedFrames = 0;
    QPixmap m_still;
};
