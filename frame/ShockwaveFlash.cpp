#include "ShockwaveFlash.h"

#include <QImageReader>
#include <QMovie>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPainter>
#include <QElapsedTimer>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace {
// A fetch that receives nothing for this long is given up.
constexpr int kStalledFetchMs = 30000;

int fetchDeadlineMs = CShockwaveFlash::kFetchDeadlineMs;
}  // namespace

void CShockwaveFlash::SetFetchDeadlineMs(int ms)
{
    fetchDeadlineMs = ms;
}

CShockwaveFlash::CShockwaveFlash(QWidget* parent)
    : QWidget(parent),
      m_network(new QNetworkAccessManager(this)),
      m_deadline(new QTimer(this)),
      m_frameTimer(new QTimer(this))
{
    m_frameTimer->setSingleShot(true);
    connect(m_frameTimer, &QTimer::timeout, this, &CShockwaveFlash::OnFrameDue);
    m_deadline->setSingleShot(true);
    connect(m_deadline, &QTimer::timeout, this, [this] {
        if (m_reply)
            m_reply->abort();
    });
    // Blank is the surrounding toolbar's grey; a movie paints over it.
    setAutoFillBackground(true);
}

CShockwaveFlash::~CShockwaveFlash()
{
    // The fetch and the animation must not call back into a banner that is
    // half gone.
    Clear();
}

void CShockwaveFlash::SetScaleMode(long mode)
{
    if (!bannergeometry::IsScaleMode(mode))
        return;
    m_scaleMode = static_cast<bannergeometry::ScaleMode>(mode);
    update();
}

void CShockwaveFlash::SetMenu(bool show)
{
    // PreventContextMenu keeps the request from travelling on to the
    // toolbar and the frame; NoContextMenu lets them answer it.
    setContextMenuPolicy(show ? Qt::NoContextMenu : Qt::PreventContextMenu);
}

void CShockwaveFlash::LoadMovie(long layer, const QString& url)
{
    Q_UNUSED(layer);
    Clear();
    update();

    QNetworkRequest request{QUrl(url)};
    request.setTransferTimeout(kStalledFetchMs);
    QNetworkReply* reply = m_network->get(request);
    // The network thread reads ahead of this one only so far: a sender
    // faster than the window takes its bytes must not pile them up in
    // memory before the cap below ever sees them.
    reply->setReadBufferSize(kReadAheadBytes);
    m_reply = reply;
    // A banner is small: an answer that announces or brings more than a
    // banner may weigh is dropped at once. The bytes are taken and counted
    // as they arrive, so that a body sent in endless small pieces meets the
    // same cap, and the deadline ends whatever is still going.
    connect(reply, &QNetworkReply::metaDataChanged, this, [reply] {
        if (reply->header(QNetworkRequest::ContentLengthHeader).toLongLong() > kMaxMovieBytes)
            reply->abort();
    });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
        if (reply != m_reply || !reply->isOpen())
            return;
        m_received += reply->read(kMaxMovieBytes + 1 - m_received.size());
        if (m_received.size() > kMaxMovieBytes)
            reply->abort();
    });
    m_deadline->start(fetchDeadlineMs);
    connect(reply, &QNetworkReply::finished, this, [this, reply] { OnFetchFinished(reply); });
}

void CShockwaveFlash::Play()
{
    m_playing = true;
    if (m_content == Content::Animation && !m_frameTimer->isActive())
        ShowNextFrameLater();
}

int CShockwaveFlash::CurrentFrame() const
{
    return m_content == Content::Animation ? m_shownFrame : -1;
}

void CShockwaveFlash::OnFetchFinished(QNetworkReply* reply)
{
    reply->deleteLater();
    if (reply != m_reply)
        return;
    m_reply = nullptr;
    m_deadline->stop();
    QByteArray data = std::exchange(m_received, QByteArray());
    if (reply->isOpen())
        data += reply->readAll();
    if (reply->error() == QNetworkReply::NoError && data.size() <= kMaxMovieBytes)
        ShowMovie(data);
    update();
    emit LoadFinished();
}

void CShockwaveFlash::ShowMovie(const QByteArray& data)
{
    m_movieBuffer.setData(data);
    if (!m_movieBuffer.open(QIODevice::ReadOnly))
        return;

    bool animated = false;
    {
        QImageReader probe(&m_movieBuffer);
        animated = probe.supportsAnimation() && probe.imageCount() > 1;
    }
    m_movieBuffer.seek(0);

    if (animated) {
        auto animation = std::make_unique<QMovie>(&m_movieBuffer);
        QElapsedTimer decoding;
        decoding.start();
        // An animation whose first frame does not decode shows nothing.
        if (!animation->jumpToFrame(0)) {
            animation.reset();
            m_movieBuffer.close();
            m_movieBuffer.setData(QByteArray());
            return;
        }
        m_animation = std::move(animation);
        m_content = Content::Animation;
        KeepDecodedFrame(decoding.elapsed());
        if (m_playing)
            ShowNextFrameLater();
        return;
    }

    // A single picture.
    QImageReader reader(&m_movieBuffer);
    const QImage image = reader.read();
    m_movieBuffer.close();
    m_movieBuffer.setData(QByteArray());
    if (image.isNull())
        return;
    m_still = QPixmap::fromImage(image);
    m_content = Content::Still;
}

// The decoder's current frame, drawn at the banner's size and kept, or,
// past kMaxKeptFrames, kept only until the next. decodeMs is how long the
// decoder took over it.
void CShockwaveFlash::KeepDecodedFrame(qint64 decodeMs)
{
    ++m_decodedFrames;
    const QImage decoded = m_animation->currentImage();
    QPixmap picture(size());
    picture.fill(Qt::transparent);
    {
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(bannergeometry::MovieRect(m_scaleMode, decoded.size(), size()), decoded);
    }
    // The decoder reports the frame's delay less the time it spent decoding
    // (its own playback would be late by that much); the delay the file
    // asks for is what the kept frame shows for.
    const int reported = m_animation->nextFrameDelay();
    const int delay = reported > 0 ? reported + int(std::min<qint64>(decodeMs, 60000)) : reported;
    KeptFrame frame{picture, std::max(kMinFrameMs, delay <= 10 ? kQuickFrameMs : delay)};
    if (int(m_frames.size()) < kMaxKeptFrames) {
        m_frames.push_back(std::move(frame));
        m_shownFrame = int(m_frames.size()) - 1;
    } else {
        m_frames.back() = std::move(frame);  // the last slot shows the frames past the cap in turn
        m_shownFrame = kMaxKeptFrames - 1;
    }
    update();
}

void CShockwaveFlash::ShowNextFrameLater()
{
    if (m_shownFrame >= 0)
        m_frameTimer->start(m_frames[std::size_t(m_shownFrame)].delayMs);
}

void CShockwaveFlash::OnFrameDue()
{
    if (!m_playing || m_content != Content::Animation)
        return;
    if (!m_allKept) {
        const int before = m_animation->currentFrameNumber();
        QElapsedTimer decoding;
        decoding.start();
        if (m_animation->jumpToNextFrame() && m_animation->currentFrameNumber() > before) {
            KeepDecodedFrame(decoding.elapsed());
            ShowNextFrameLater();
            return;
        }
        // The first pass has ended, at the last frame or at one that failed
        // to decode. The banner loops whatever loop count the file asks for,
        // from the kept frames; a movie of one good frame, or of more frames
        // than are kept, stays on the last one shown.
        const bool loops = m_decodedFrames > 1 && m_decodedFrames <= kMaxKeptFrames;
        m_animation->disconnect(this);
        m_animation.reset();
        m_movieBuffer.close();
        m_movieBuffer.setData(QByteArray());
        m_allKept = true;
        if (!loops)
            return;
    }
    if (m_frames.size() < 2)
        return;
    m_shownFrame = (m_shownFrame + 1) % int(m_frames.size());
    update();
    ShowNextFrameLater();
}

void CShockwaveFlash::Clear()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    m_deadline->stop();
    m_received.clear();
    if (m_animation) {
        m_animation->disconnect(this);
        m_animation.reset();
    }
    m_frameTimer->stop();
    m_frames.clear();
    m_shownFrame = -1;
    m_allKept = false;
    m_decodedFrames = 0;
    m_movieBuffer.close();
    m_movieBuffer.setData(QByteArray());
    m_still = QPixmap();
    m_content = Content::Blank;
}

void CShockwaveFlash::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    if (m_content == Content::Animation && m_shownFrame >= 0) {
        // Drawn at the banner's size already; stretched only if the banner
        // was resized since.
        painter.drawPixmap(rect(), m_frames[std::size_t(m_shownFrame)].picture);
        return;
    }
    if (m_content != Content::Still || m_still.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(bannergeometry::MovieRect(m_scaleMode, m_still.size(), size()), m_still);
}
