// The film-strip picture shared by the image switch, the image page selector and the image radio
// button: frame 0 when the control is not selected, 1 when it is, and frame 2 while it is held if
// the strip has exactly three frames. Behaviour is the control's mouse behaviour; it supplies
// selected(), held and dirty. The picture is redrawn over the background snapshot only when the
// frame changes or something marked the control dirty.
#pragma once

#include <cstdint>
#include <utility>

class ZImageResource;
class ZSurface;

template <typename Behaviour>
class ZStripSelector : public Behaviour {
public:
    // image: the strip (not owned); the other arguments go to the behaviour.
    template <typename... BehaviourArgs>
    explicit ZStripSelector(ZImageResource* image, BehaviourArgs&&... args)
        : Behaviour(std::forward<BehaviourArgs>(args)...), image(image)
    {}

    // Snapshot of the background, dirty.
    void prepare(ZSurface& surface) override;
    void draw(ZSurface& surface) override;

    // The frame shown now. A frame the strip lacks is not drawn (the background shows).
    int32_t currentFrame() const;

    ZImageResource* image;  // not owned
    int32_t lastFrame = -1;
};

// The members are made in strip_selector.cpp for the switch, page selector and radio behaviours;
// the headers of the image controls declare them there.
