#include "CompareController.h"

#include "AppCommandIds.h"
#include "BrimwellDoc.h"
#include "BrimwellView.h"
#include "CommandRouter.h"
#include "PathText.h"
#include "PictureStatusBar.h"
#include "Prompts.h"
#include "SingleDocTemplate.h"
#include "Viewer.h"
#include "WinApp.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>

namespace {

QString Number(double value)
{
    return QString::number(value, 'g', 6);
}

// The figures of one channel, as the status bar words them.
QString FiguresText(const ChannelFigures& figures, const QString& channel)
{
    switch (figures.presence) {
    case ChannelFigures::Presence::Both: break;
    case ChannelFigures::Presence::OnlyInA: return QStringLiteral("B has no %1").arg(channel);
    case ChannelFigures::Presence::OnlyInB: return QStringLiteral("A has no %1").arg(channel);
    case ChannelFigures::Presence::Neither: return QStringLiteral("neither has %1").arg(channel);
    }
    if (figures.Identical())
        return QStringLiteral("%1 identical").arg(channel);
    QString text = figures.differing == 1 ? QStringLiteral("%1: 1 pixel differs").arg(channel)
                                          : QStringLiteral("%1: %2 pixels differ").arg(channel).arg(figures.differing);
    if (figures.unmatched > 0)
        text += QStringLiteral(" (%1 with nothing to match, first at %2, %3)")
                    .arg(figures.unmatched)
                    .arg(figures.unmatchedX)
                    .arg(figures.unmatchedY);
    if (figures.maxX >= 0)
        text += QStringLiteral(", largest %1 at %2, %3").arg(Number(figures.maxDifference)).arg(figures.maxX).arg(figures.maxY);
    text += QStringLiteral(", mean %1, RMS %2").arg(Number(figures.meanDifference), Number(figures.rmsDifference));
    if (figures.HasPsnr() && std::isfinite(figures.psnr))
        text += QStringLiteral(", PSNR %1 dB").arg(figures.psnr, 0, 'f', 2);
    return text;
}

}  // namespace

CompareController::CompareController(CWinApp& app, Viewer& viewer) : QObject(&app), m_app(app), m_viewer(viewer)
{
    CommandRouter* router = app.Router();
    router->SetHandler(this, ID_FILE_COMPARE_WITH, &CompareController::OnCompareWith);
    router->SetUpdateHandler(this, ID_FILE_COMPARE_WITH, [this] {
        const CBrimwellDoc* document = Document();
        return document && document->Frame();
    });
    router->SetHandler(this, ID_FILE_STOP_COMPARING, &CompareController::Stop);
    const auto active = [this] { return m_comparison.IsActive(); };
    router->SetUpdateHandler(this, ID_FILE_STOP_COMPARING, active);
    router->SetHandler(this, ID_VIEW_COMPARE_WIPE, &CompareController::ToggleWipe);
    router->SetHandler(this, ID_VIEW_COMPARE_FLICKER, &CompareController::Flicker);
    router->SetHandler(this, ID_VIEW_COMPARE_DIFFERENCE, &CompareController::ToggleDifference);
    router->SetHandler(this, ID_VIEW_COMPARE_GAIN, &CompareController::StepGain);
    for (int id : {ID_VIEW_COMPARE_WIPE, ID_VIEW_COMPARE_FLICKER, ID_VIEW_COMPARE_DIFFERENCE, ID_VIEW_COMPARE_GAIN})
        router->SetUpdateHandler(this, id, active);
    const auto inMode = [this](Comparison::Mode mode) {
        return [this, mode] { return m_comparison.IsActive() && m_comparison.mode() == mode; };
    };
    router->SetCheckHandler(this, ID_VIEW_COMPARE_WIPE, inMode(Comparison::Mode::Wipe));
    router->SetCheckHandler(this, ID_VIEW_COMPARE_FLICKER, inMode(Comparison::Mode::Flicker));
    router->SetCheckHandler(this, ID_VIEW_COMPARE_DIFFERENCE, inMode(Comparison::Mode::Difference));

    connect(&viewer, &Viewer::FrameShown, this, &CompareController::OnFrameShown);
    connect(&viewer.ReadAhead(), &FrameReadAhead::CompanionArrived, this, &CompareController::OnCompanionArrived);
    // Figures wait while playing, and are counted at the stop.
    connect(&viewer.Player(), &FramePlayer::StatusChanged, this, [this] {
        if (m_comparison.IsActive() && !m_viewer.Player().IsPlaying())
            RequestFigures();
    });
    m_referenceFollower.fileSettled = [this] { OnReferenceChanged(); };
    m_referenceFollower.folderChanged = [this] {
        if (!m_missing.isEmpty())
            OnReferenceChanged();
    };
    m_figures.counted = [this](int ticket, const ChannelFigures& figures) {
        if (ticket != m_ticket)
            return;  // the frames or the view have changed since
        m_figuresText = FiguresText(figures, m_countedView.Name());
        Refresh();
    };
}

CBrimwellDoc* CompareController::Document() const
{
    return m_app.DocTemplate() ? static_cast<CBrimwellDoc*>(m_app.DocTemplate()->Document()) : nullptr;
}

void CompareController::Attach(CBrimwellView* view, CPictureStatusBar* statusBar)
{
    m_view = view;
    m_statusBar = statusBar;
    view->SetComparison(&m_comparison);
    connect(view, &CBrimwellView::DividerMoved, this, &CompareController::Refresh);
    connect(view, &CBrimwellView::ChannelChanged, this, [this] {
        RequestFigures();
        Refresh();
    });
}

void CompareController::OnCompareWith()
{
    m_viewer.StopPlaying();
    prompts::OpenFileRequest request;
    request.owner = m_view ? m_view->window() : nullptr;
    request.title = QStringLiteral("Compare With");
    request.initialName = QStringLiteral("*.rpf");
    request.filters = {QStringLiteral("RPF Files (*.rpf)")};
    if (std::optional<QString> path = prompts::GetOpenFileName(request))
        CompareWith(*path);
}

bool CompareController::CompareWith(const QString& path)
{
    const CBrimwellDoc* document = Document();
    if (document == nullptr || !document->Frame())
        return false;
    const QFileInfo chosen(path);
    const QFileInfo shown(document->GetPathName());
    CompanionRule rule;
    if (chosen.isDir()) {
        rule = CompanionRule::Folder(pathtext::Bytes(chosen.absoluteFilePath()));
    } else if (chosen.isFile()) {
        // A file of the shown file's name in another folder: that folder,
        // frame by frame, as when versions of a sequence are compared.
        if (chosen.fileName() == shown.fileName() && chosen.absolutePath() != shown.absolutePath())
            rule = CompanionRule::Folder(pathtext::Bytes(chosen.absolutePath()));
        else
            rule = CompanionRule::File(pathtext::Bytes(chosen.absoluteFilePath()));
    } else {
        prompts::ShowMessage(QStringLiteral("ERROR comparing with:\n\n") + QDir::toNativeSeparators(path) +
                             QStringLiteral("\n\nerror=There is no such file or folder."));
        return false;
    }
    if (!m_comparison.IsActive())
        m_comparison.Start();
    m_reportFailure = rule.kind() == CompanionRule::Kind::File;
    if (m_statusBar)
        m_statusBar->SetReadout([this](int x, int y) {
            const CBrimwellDoc* shownDocument = Document();
            return shownDocument ? m_comparison.ReadoutText(*shownDocument, x, y) : QString();
        });
    m_viewer.SetCompanion(rule);
    OnFrameShown();
    return true;
}

void CompareController::Stop()
{
    if (!m_comparison.IsActive())
        return;
    m_viewer.SetCompanion(CompanionRule());
    m_referenceFollower.Follow(QString());
    m_comparison.Stop();
    m_missing.clear();
    m_figuresText.clear();
    ++m_ticket;
    if (m_statusBar) {
        m_statusBar->SetReadout(nullptr);
        m_statusBar->ShowComparison(QString());
    }
    if (m_view) {
        m_view->viewport()->update();
        m_view->RefreshPointer();
    }
}

void CompareController::OnFrameShown()
{
    const CBrimwellDoc* document = Document();
    if (!m_comparison.IsActive() || document == nullptr || !document->Frame())
        return;
    TakeCompanion(m_viewer.ReadAhead().FindOrRequestCompanion(pathtext::Bytes(document->GetPathName())));
}

void CompareController::OnCompanionArrived(const std::string& framePath, const FrameReadAhead::CompanionState& state)
{
    const CBrimwellDoc* document = Document();
    if (!m_comparison.IsActive() || document == nullptr || framePath != pathtext::Bytes(document->GetPathName()))
        return;  // a frame since left behind
    TakeCompanion(state);
}

void CompareController::TakeCompanion(const FrameReadAhead::CompanionState& state)
{
    m_readingReference = state.pending;
    const QString path = pathtext::Display(state.path);
    m_comparison.SetReference(state.frame, path);
    if (m_referenceFollower.Path() != path)
        m_referenceFollower.Follow(path);
    m_viewer.ReadAhead().SetShownCompanion(state.path, state.frame);
    m_missing.clear();
    if (!state.frame && !state.pending) {
        const bool absent = !QFileInfo::exists(path);
        m_missing = absent ? QStringLiteral("no %1").arg(QDir::toNativeSeparators(path))
                           : QString::fromLocal8Bit(state.failure.c_str());
        if (std::exchange(m_reportFailure, false))
            prompts::ShowMessage(QStringLiteral("ERROR comparing with:\n\n") +
                                 QDir::toNativeSeparators(path) +
                                 QStringLiteral("\n\nerror=") + m_missing);
    } else if (state.frame) {
        m_reportFailure = false;
    }
    RequestFigures();
    Refresh();
}

void CompareController::OnReferenceChanged()
{
    // While playing, each frame's B is checked against its file anyway.
    if (m_viewer.Follower().IsEnabled() && !m_viewer.Player().IsPlaying())
        OnFrameShown();
}

void CompareController::SetMode(Comparison::Mode mode)
{
    m_comparison.SetMode(mode);
    Refresh();
}

void CompareController::ToggleWipe()
{
    SetMode(m_comparison.mode() == Comparison::Mode::Wipe ? Comparison::Mode::Plain : Comparison::Mode::Wipe);
}

void CompareController::Flicker()
{
    if (m_comparison.mode() != Comparison::Mode::Flicker)
        m_comparison.SetFlickerSide(Comparison::Side::B);
    else
        m_comparison.SetFlickerSide(m_comparison.FlickerSide() == Comparison::Side::A ? Comparison::Side::B
                                                                                      : Comparison::Side::A);
    SetMode(Comparison::Mode::Flicker);
}

void CompareController::ToggleDifference()
{
    SetMode(m_comparison.mode() == Comparison::Mode::Difference ? Comparison::Mode::Plain
                                                                : Comparison::Mode::Difference);
}

void CompareController::StepGain()
{
    m_comparison.SetGain(DifferenceRenderer::NextGain(m_comparison.Gain()));
    SetMode(Comparison::Mode::Difference);
}

void CompareController::RequestFigures()
{
    const CBrimwellDoc* document = Document();
    if (!m_comparison.IsActive() || document == nullptr || m_viewer.Player().IsPlaying())
        return;
    const auto& a = document->Frame();
    const auto& b = m_comparison.Reference();
    const ChannelView view = document->ShownView();
    if (!a || !b) {
        ++m_ticket;
        m_figuresText.clear();
        m_countedA.reset();
        return;
    }
    if (m_countedA.lock() == a && m_countedB.lock() == b && m_countedView == view)
        return;  // counted, or being counted
    m_countedA = a;
    m_countedB = b;
    m_countedView = view;
    CompareFigures::Job job;
    job.a = a;
    job.b = b;
    job.ticket = ++m_ticket;
    switch (view.kind()) {
    case ChannelView::Kind::Colour: job.kind = ChannelFigures::Kind::Colour; break;
    case ChannelView::Kind::Alpha: job.kind = ChannelFigures::Kind::Alpha; break;
    case ChannelView::Kind::Channel:
        job.kind = ChannelFigures::Kind::Render;
        job.bit = view.bit();
        break;
    }
    m_figuresText = QStringLiteral("counting...");
    m_figures.Request(std::move(job));
}

QString CompareController::StatusText() const
{
    if (!m_comparison.IsActive())
        return QString();
    QStringList parts;
    switch (m_comparison.mode()) {
    case Comparison::Mode::Plain: parts << QStringLiteral("A"); break;
    case Comparison::Mode::Wipe: {
        const CBrimwellDoc* document = Document();
        const int width = document ? document->rpf_width : 0;
        parts << QStringLiteral("Wipe A | B at x %1").arg(m_comparison.Divider(width));
        break;
    }
    case Comparison::Mode::Flicker:
        parts << (m_comparison.FlickerSide() == Comparison::Side::A ? QStringLiteral("A") : QStringLiteral("B"));
        break;
    case Comparison::Mode::Difference:
        parts << QStringLiteral("Difference x%1").arg(m_comparison.Gain());
        break;
    }
    const auto& b = m_comparison.Reference();
    if (!m_missing.isEmpty()) {
        parts << QStringLiteral("B missing: %1, A alone").arg(m_missing);
    } else if (m_readingReference) {
        parts << QStringLiteral("reading B");
    } else if (b) {
        parts << QStringLiteral("B %1").arg(QFileInfo(m_comparison.ReferencePath()).fileName());
        const CBrimwellDoc* document = Document();
        if (document && document->Frame() && (b->width != document->rpf_width || b->height != document->rpf_height))
            parts << QStringLiteral("sizes differ (%1 x %2 against %3 x %4): compared over %5 x %6")
                         .arg(document->rpf_width)
                         .arg(document->rpf_height)
                         .arg(b->width)
                         .arg(b->height)
                         .arg(std::min(document->rpf_width, b->width))
                         .arg(std::min(document->rpf_height, b->height));
        if (m_viewer.Player().IsPlaying())
            parts << QStringLiteral("figures at the stop");
        else if (!m_figuresText.isEmpty())
            parts << m_figuresText;
    }
    return parts.join(QStringLiteral("  |  "));
}

void CompareController::Refresh()
{
    if (m_statusBar)
        m_statusBar->ShowComparison(StatusText());
    if (m_view) {
        m_view->viewport()->update();
        m_view->RefreshPointer();
    }
}
