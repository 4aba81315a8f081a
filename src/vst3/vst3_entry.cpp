// The module's exports: GetPluginFactory, with ModuleEntry and ModuleExit on Linux and InitDll and
// ExitDll on Windows. The factory is one object for the module's life; it makes the one class,
// the effect (processor and controller in one object).
#include "platform/module_lifetime.h"
#include "vst3/vst3_effect.h"

#include <cstring>

#if defined(_WIN32)
#include <windows.h>
// sarvo_vst3.def names the exports: a dllexport would add GetPluginFactory@0 in 32-bit builds.
#define SARVO_EXPORT extern "C"
#else
#define SARVO_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace sarvo_vst3 {
namespace {

void copyCut(char* out, size_t size, const char* text)
{
    size_t n = std::strlen(text);
    if (n >= size) n = size - 1;
    std::memcpy(out, text, n);
    out[n] = '\0';
}

// What every form of the class description holds alike: cleared, then the class id, how many
// instances may exist and the category.
template <class Info>
void describeClass(Info* info)
{
    std::memset(info, 0, sizeof *info);
    std::memcpy(info->cid, kClassId.bytes, 16);
    info->cardinality = kManyInstances;
    copyCut(info->category, sizeof info->category, kAudioEffectClass);
}

class Factory final : public IPluginFactory3 {
public:
    tresult SARVO_VST3_CALL queryInterface(const char* iid, void** object) override
    {
        if (!object) return kInvalidArgument;
        if (sameUid(iid, FUnknown::iid) || sameUid(iid, IPluginFactory::iid) || sameUid(iid, IPluginFactory2::iid) ||
            sameUid(iid, IPluginFactory3::iid)) {
            *object = static_cast<IPluginFactory3*>(this);
            addRef();
            return kResultOk;
        }
        *object = nullptr;
        return kNoInterface;
    }
    // A static object: the count is kept for the host's sake, the object never goes away.
    uint32_t SARVO_VST3_CALL addRef() override { return references_.fetch_add(1) + 1; }
    uint32_t SARVO_VST3_CALL release() override
    {
        const uint32_t n = references_.load();
        return n > 1 ? references_.fetch_sub(1) - 1 : 1;
    }

    tresult SARVO_VST3_CALL getFactoryInfo(PFactoryInfo* info) override
    {
        if (!info) return kInvalidArgument;
        std::memset(info, 0, sizeof *info);
        copyCut(info->vendor, sizeof info->vendor, sarvo::Plugin::kVendor);
        info->flags = PFactoryInfo::kUnicode;
        return kResultOk;
    }

    int32_t SARVO_VST3_CALL countClasses() override { return 1; }

    tresult SARVO_VST3_CALL getClassInfo(int32_t index, PClassInfo* info) override
    {
        if (index != 0 || !info) return kInvalidArgument;
        describeClass(info);
        copyCut(info->name, sizeof info->name, sarvo::Plugin::kName);
        return kResultOk;
    }

    tresult SARVO_VST3_CALL getClassInfo2(int32_t index, PClassInfo2* info) override
    {
        if (index != 0 || !info) return kInvalidArgument;
        describeClass(info);
        copyCut(info->name, sizeof info->name, sarvo::Plugin::kName);
        info->classFlags = 0;  // not distributable: processor and controller are one object
        copyCut(info->subCategories, sizeof info->subCategories, kSubCategories);
        copyCut(info->vendor, sizeof info->vendor, sarvo::Plugin::kVendor);
        copyCut(info->version, sizeof info->version, sarvo::Plugin::kVersion);
        copyCut(info->sdkVersion, sizeof info->sdkVersion, kSdkVersion);
        return kResultOk;
    }

    tresult SARVO_VST3_CALL getClassInfoUnicode(int32_t index, PClassInfoW* info) override
    {
        if (index != 0 || !info) return kInvalidArgument;
        describeClass(info);
        toText16(sarvo::Plugin::kName, info->name, 64);
        info->classFlags = 0;
        copyCut(info->subCategories, sizeof info->subCategories, kSubCategories);
        toText16(sarvo::Plugin::kVendor, info->vendor, 64);
        toText16(sarvo::Plugin::kVersion, info->version, 64);
        toText16(kSdkVersion, info->sdkVersion, 64);
        return kResultOk;
    }

    tresult SARVO_VST3_CALL createInstance(FIDString cid, FIDString iid, void** object) override
    {
        if (!object) return kInvalidArgument;
        *object = nullptr;
        if (!sameUid(cid, kClassId)) return kNoInterface;
        Effect* effect = Effect::make();
        if (!effect) return kOutOfMemory;
        const tresult result = effect->queryInterface(iid, object);
        effect->release();  // the caller holds the one reference the query added, or none
        return result;
    }

    tresult SARVO_VST3_CALL setHostContext(FUnknown*) override { return kResultOk; }

private:
    std::atomic<uint32_t> references_{1};
};

Factory gFactory;
std::atomic<int> gEntries{0};

}  // namespace
}  // namespace sarvo_vst3

SARVO_EXPORT vst3abi::IPluginFactory* SARVO_VST3_CALL GetPluginFactory()
{
    sarvo_vst3::gFactory.addRef();
    return &sarvo_vst3::gFactory;
}

#if defined(_WIN32)
SARVO_EXPORT bool InitDll()
{
    ++sarvo_vst3::gEntries;
    return true;
}

SARVO_EXPORT bool ExitDll()
{
    --sarvo_vst3::gEntries;
    return true;
}
#else
SARVO_EXPORT bool ModuleEntry(void*)
{
    ++sarvo_vst3::gEntries;
    return true;
}

SARVO_EXPORT bool ModuleExit()
{
    --sarvo_vst3::gEntries;
    return true;
}
#endif
