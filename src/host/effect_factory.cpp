#include "host/effect_factory.h"

#include "model/sarvo_effect.h"

#include <new>

EffectBase* createEffectInstance(audioMasterCallback hostCallback) {
    SarvoEffect* effect = new (std::nothrow) SarvoEffect(hostCallback);
    if (!effect) return nullptr;
    effect->setSampleRate(44100.0f);
    return effect;
}
