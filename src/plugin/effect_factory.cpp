#include "plugin/effect_factory.h"

#include "editor/editor.h"
#include "effect/sarvo_effect.h"
#include "platform/window_system.h"
#include "effect_editor/sarvo_skin_factory.h"
#include "skin/skin.h"
#include "skin/skin_parser.h"

#include <new>

namespace {

// Parses the module's built-in skin with the clipper's control factory; null when there is none.
ZSkin* buildSkin(SarvoEffect* effect)
{
    SarvoSkinFactory factory(effect);
    return parseModuleSkin(&factory);
}

}  // namespace

EffectBase* createEffectInstance(audioMasterCallback hostCallback)
{
    return createEffectInstance(hostCallback, EffectOptions());
}

EffectBase* createEffectInstance(audioMasterCallback hostCallback, const EffectOptions& options)
{
#if !defined(SARVO_WIN32)
    // The editor of the Linux module lives in an X11 window of the host.
    if (options.editor) platform::selectWindowSystem(platform::x11WindowSystem());
#endif
    SarvoEffect* effect = new (std::nothrow) SarvoEffect(hostCallback);
    if (!effect) return nullptr;
    effect->setSampleRate(44100.0f);
    if (!options.editor) return effect;
    if (options.dataSource) effect->showDataOf(*options.dataSource);

    ZSkin* skin = buildSkin(effect);
    if (!skin) return effect;
    if (!platform::editorWindowsAvailable()) {
        // No window system that can show the editor: the effect offers none.
        delete skin;
        return effect;
    }
    // The editor takes the skin and announces itself through setEditor.
    ZEditor* editor = new (std::nothrow) ZEditor(effect);
    if (editor) {
        editor->setSkin(skin);
        effect->setEditor(editor);
    } else {
        delete skin;
    }
    return effect;
}
