#include "ChannelScalingCommands.h"

#include "AppCommandIds.h"
#include "BrimwellDoc.h"
#include "ChannelRenderer.h"
#include "CommandRouter.h"
#include "NumberFieldsDialog.h"
#include "Prompts.h"

#include <QAbstractScrollArea>
#include <QActionGroup>

CChannelScalingCommands::CChannelScalingCommands(CBrimwellDoc* document, CommandRouter* router, QWidget* view)
    : QObject(view), m_document(document), m_view(view)
{
    const auto depthMode = [this](DepthRangeMode mode) {
        return [this, mode] { return m_document->Scaling().depth.mode == mode; };
    };
    auto* depthModes = new QActionGroup(this);
    const std::pair<int, DepthRangeMode> modes[] = {{ID_DEPTH_RANGE_FULL, DepthRangeMode::Full},
                                                    {ID_DEPTH_RANGE_AUTO, DepthRangeMode::Auto},
                                                    {ID_DEPTH_RANGE_TYPED, DepthRangeMode::Typed}};
    for (const auto& [id, mode] : modes) {
        router->SetCheckHandler(this, id, depthMode(mode));
        depthModes->addAction(router->Action(id));
    }
    router->SetHandler(this, ID_DEPTH_RANGE_FULL, [this] { SetDepthMode(DepthRangeMode::Full); });
    router->SetHandler(this, ID_DEPTH_RANGE_AUTO, [this] { SetDepthMode(DepthRangeMode::Auto); });
    router->SetHandler(this, ID_DEPTH_RANGE_TYPED, [this] { AskDepthRange(); });
    router->SetHandler(this, ID_DEPTH_RANGE_SWITCH, [this] { SwitchDepthRange(); });
    router->SetHandler(this, ID_DEPTH_INVERT, [this] {
        ChannelScaling scaling = m_document->Scaling();
        scaling.depth.invert = !scaling.depth.invert;
        Apply(scaling);
    });
    router->SetCheckHandler(this, ID_DEPTH_INVERT, [this] { return m_document->Scaling().depth.invert; });
    router->SetHandler(this, ID_DEPTH_LOGARITHMIC, [this] {
        ChannelScaling scaling = m_document->Scaling();
        scaling.depth.logarithmic = !scaling.depth.logarithmic;
        Apply(scaling);
    });
    router->SetCheckHandler(this, ID_DEPTH_LOGARITHMIC, [this] { return m_document->Scaling().depth.logarithmic; });

    for (const bool velocity : {true, false}) {
        const int first = velocity ? ID_VELOCITY_SCALE_LARGEST : ID_UV_SCALE_LARGEST;
        auto* group = new QActionGroup(this);
        const VectorScaleMode vectorModes[] = {VectorScaleMode::Largest, VectorScaleMode::Auto, VectorScaleMode::Typed};
        for (int i = 0; i < 3; ++i) {
            const VectorScaleMode mode = vectorModes[i];
            router->SetCheckHandler(this, first + i, [this, velocity, mode] {
                const ChannelScaling& scaling = m_document->Scaling();
                return (velocity ? scaling.velocity : scaling.uv).mode == mode;
            });
            if (mode == VectorScaleMode::Typed)
                router->SetHandler(this, first + i, [this, velocity] { AskVectorScale(velocity); });
            else
                router->SetHandler(this, first + i, [this, velocity, mode] { SetVectorMode(velocity, mode); });
            group->addAction(router->Action(first + i));
        }
    }
}

void CChannelScalingCommands::Apply(const ChannelScaling& scaling)
{
    m_document->SetScaling(scaling);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(m_view))
        area->viewport()->update();
    else
        m_view->update();
}

void CChannelScalingCommands::SetDepthMode(DepthRangeMode mode)
{
    ChannelScaling scaling = m_document->Scaling();
    scaling.depth.mode = mode;
    Apply(scaling);
}

void CChannelScalingCommands::SetVectorMode(bool velocity, VectorScaleMode mode)
{
    ChannelScaling scaling = m_document->Scaling();
    (velocity ? scaling.velocity : scaling.uv).mode = mode;
    Apply(scaling);
}

void CChannelScalingCommands::SwitchDepthRange()
{
    SetDepthMode(m_document->Scaling().depth.mode == DepthRangeMode::Auto ? DepthRangeMode::Full
                                                                          : DepthRangeMode::Auto);
}

void CChannelScalingCommands::AskDepthRange()
{
    ChannelScaling scaling = m_document->Scaling();
    double nearDepth = scaling.depth.nearDepth, farDepth = scaling.depth.farDepth;
    // Starting from the range the shown frame is drawn with saves typing
    // when the user only wants to narrow it.
    const auto& frame = m_document->Frame();
    const ChannelView z = ChannelView::Channel(kChannelZ);
    if (scaling.depth.mode != DepthRangeMode::Typed && frame && z.AvailableIn(frame->channels)) {
        const channelcolours::DepthMapping inUse =
            channelrenderer::DepthMappingFor(frame->RangesFor(z), scaling.depth);
        if (inUse.any && channelscaling::IsTypedDepthRange(inUse.nearDepth, inUse.farDepth)) {
            nearDepth = inUse.nearDepth;
            farDepth = inUse.farDepth;
        }
    }
    CNumberFieldsDialog dialog(m_view->window(), QStringLiteral("Depth Range"),
                               {{QStringLiteral("Near (black):"), nearDepth}, {QStringLiteral("Far (white):"), farDepth}},
                               QStringLiteral("Near must be less than far; depths beyond are drawn as the nearest "
                                              "or farthest grey."),
                               [](const std::vector<double>& values) {
                                   return channelscaling::IsTypedDepthRange(values[0], values[1]);
                               });
    if (prompts::RunModal(dialog) != QDialog::Accepted)
        return;
    const std::vector<double> values = dialog.Values();
    if (values.size() != 2 || !channelscaling::IsTypedDepthRange(values[0], values[1]))
        return;
    scaling.depth.mode = DepthRangeMode::Typed;
    scaling.depth.nearDepth = values[0];
    scaling.depth.farDepth = values[1];
    Apply(scaling);
}

void CChannelScalingCommands::AskVectorScale(bool velocity)
{
    ChannelScaling scaling = m_document->Scaling();
    VectorScaling& scale = velocity ? scaling.velocity : scaling.uv;
    double length = scale.typedLength;
    const auto& frame = m_document->Frame();
    const ChannelView view = ChannelView::Channel(velocity ? kChannelV : kChannelU);
    if (scale.mode != VectorScaleMode::Typed && frame && view.AvailableIn(frame->channels)) {
        const channelrenderer::ChannelRanges ranges = frame->RangesFor(view);
        const float inUse = velocity ? channelrenderer::VectorScaleFor(ranges.largestVelocity,
                                                                        ranges.velocityPercentile, scale)
                                     : channelrenderer::VectorScaleFor(ranges.largestUv, ranges.uvPercentile, scale);
        if (inUse > 0)
            length = inUse;
    }
    CNumberFieldsDialog dialog(m_view->window(), velocity ? QStringLiteral("Velocity Scale") : QStringLiteral("UV Scale"),
                               {{QStringLiteral("Length at full brightness:"), length}},
                               QStringLiteral("A length greater than 0; longer vectors show at full brightness."),
                               [](const std::vector<double>& values) { return values[0] > 0; });
    if (prompts::RunModal(dialog) != QDialog::Accepted)
        return;
    const std::vector<double> values = dialog.Values();
    if (values.size() != 1 || !(values[0] > 0))
        return;
    scale.mode = VectorScaleMode::Typed;
    scale.typedLength = values[0];
    Apply(scaling);
}
