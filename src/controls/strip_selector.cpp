#include "controls/strip_selector.h"

#include "controls/button_behaviours.h"
#include "controls/control.h"
#include "gui/surface.h"
#include "skin_resources/resources.h"

template <typename Behaviour>
void ZStripSelector<Behaviour>::prepare(ZSurface& surface)
{
    this->takeSnapshot(surface);
    this->dirty = true;
}

template <typename Behaviour>
int32_t ZStripSelector<Behaviour>::currentFrame() const
{
    if (image && image->frameCount == 3 && this->held) return 2;
    return this->selected() ? 1 : 0;
}

template <typename Behaviour>
void ZStripSelector<Behaviour>::draw(ZSurface& surface)
{
    const int32_t frame = currentFrame();
    if (frame == lastFrame && !this->dirty) return;
    this->restoreSnapshot(surface);
    if (image) image->drawImageFrame(&surface, frame);
    lastFrame = frame;
    this->dirty = false;
}

template class ZStripSelector<ZSwitchControl>;
template class ZStripSelector<ZPageSelControl>;
template class ZStripSelector<ZRadioControl>;
