#pragma once
#include "host/vst_abi.h"

class EffectBase;
class SarvoEffect;

// How an effect is made beyond the host callback.
struct EffectOptions {
    // An editor when the window system can show one. Without it no window system is selected and
    // no skin is parsed (a plug-in whose editor is a separate module).
    bool editor = true;
    // The effect whose signal-path data items (histories, clip level) the editor shows instead of
    // the new effect's own; null for its own. It must outlive the new effect's editor.
    SarvoEffect* dataSource = nullptr;
};

// Builds one clipper effect with its editor (when the built-in skin parses); null when nothing could be built.
EffectBase* createEffectInstance(audioMasterCallback hostCallback);
EffectBase* createEffectInstance(audioMasterCallback hostCallback, const EffectOptions& options);
