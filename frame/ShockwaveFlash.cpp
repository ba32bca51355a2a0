#include "ShockwaveFlash.h"

#include <QImageReader>
#include <QMovie>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPainter>
#include <QTimer>
#include <QUrl>

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
    : QWidget(parent), m_network(new QNetworkAccessManager(this)), m_deadline(new QTimer(this))
{
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
    if (m_animation && m_animation->state() == QMovie::NotRunning) {
        m_framesThisPass = 0;
        m_animation->start();
    }
}

int CShockwaveFlash::CurrentFrame() const
{
    return m_animation ? m_animation->currentFrameNumber() : -1;
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
        // An animation whose first frame does not decode shows nothing.
        if (!animation->jumpToFrame(0)) {
            animation.reset();
            m_movieBuffer.close();
            m_movieBuffer.setData(QByteArray());
            return;
        }
        connect(animation.get(), &QMovie::frameChanged, this, [this] {
            ++m_framesThisPass;
            update();
        });
        connect(animation.get(), &QMovie::finished, this, &CShockwaveFlash::OnAnimationFinished);
        m_animation = std::move(animation);
        m_content = Content::Animation;
        if (m_playing) {
            m_framesThisPass = 0;
            m_animation->start();
        }
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

void CShockwaveFlash::OnAnimationFinished()
{
    // The banner loops whatever loop count the file asks for. A pass that
    // got no further than one frame (the next one failed to decode) ends the
    // movie there, on its last good frame.
    if (m_playing && m_framesThisPass > 1) {
        m_framesThisPass = 0;
        m_animation->start();
    }
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
    m_movieBuffer.close();
    m_movieBuffer.setData(QByteArray());
    m_framesThisPass = 0;
    m_still = QPixmap();
    m_content = Content::Blank;
}

void CShockwaveFlash::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QPixmap frame;
    if (m_content == Content::Animation)
        frame = m_animation->currentPixmap();
    else if (m_content == Content::Still)
        frame = m_still;
    if (frame.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(bannergeometry::MovieRect(m_scaleMode, frame.size(), size()), frame);
}
