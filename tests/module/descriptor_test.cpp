// The descriptor, the entry point and the dispatcher's fixed answers, through the loaded module.
#include "loaded_plugin.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sharedModule().loaded()) << sharedModule().error();
        RecordingHost::instance().clear();
        RecordingHost::instance().versionAnswer = 2400;
        RecordingHost::instance().answer = nullptr;
    }
};

TEST_F(ModuleTest, ExportsBothEntryNames)
{
    EXPECT_NE(sharedModule().symbol("VSTPluginMain"), nullptr);
    EXPECT_NE(sharedModule().symbol("main"), nullptr);
    EXPECT_EQ(sharedModule().symbol("VSTPluginMain"), sharedModule().symbol("main"));
}

TEST_F(ModuleTest, HostWithoutVersionGetsNothing)
{
    RecordingHost::instance().versionAnswer = 0;
    EXPECT_EQ(sharedModule().instantiate(), nullptr);
    ASSERT_EQ(RecordingHost::instance().calls.size(), 1u);
    const HostCall& call = RecordingHost::instance().calls[0];
    EXPECT_EQ(call.opcode, audioMasterVersion);
    EXPECT_EQ(call.effect, nullptr);
    // A host that passes no callback at all gets nothing either.
    EXPECT_EQ(sharedModule().instantiate(nullptr), nullptr);
}

TEST_F(ModuleTest, DescriptorFields)
{
    Instance fx;
    ASSERT_NE(fx.effect(), nullptr);
    EXPECT_EQ(fx->magic, 0x56737450);
    EXPECT_EQ(fx->numPrograms, 10);
    EXPECT_EQ(fx->numParams, 4);
    EXPECT_EQ(fx->numInputs, 2);
    EXPECT_EQ(fx->numOutputs, 2);
    EXPECT_EQ(fx->flags, 0x1011);  // the shipped skin builds an editor
    EXPECT_EQ(fx->initialDelay, 0);
    EXPECT_EQ(fx->realQualities, 0);
    EXPECT_EQ(fx->offQualities, 0);
    EXPECT_EQ(fx->resvd1, 0);
    EXPECT_EQ(fx->resvd2, 0);
    EXPECT_EQ(fx->version, 1);
    EXPECT_EQ(fx->ioRatio, 1.0f);
    EXPECT_EQ(fx->uniqueID, 0x76714B65);
    EXPECT_EQ(fx->user, nullptr);
    EXPECT_NE(fx->object, nullptr);
    EXPECT_NE(fx->dispatcher, nullptr);
    EXPECT_NE(fx->process, nullptr);
    EXPECT_NE(fx->processReplacing, nullptr);
    EXPECT_NE(fx->processDoubleReplacing, nullptr);
    EXPECT_NE(fx->setParameter, nullptr);
    EXPECT_NE(fx->getParameter, nullptr);
    for (char c : fx->future) EXPECT_EQ(c, 0);
    EXPECT_EQ(fx.close(), 1);
}

TEST_F(ModuleTest, FixedAnswers)
{
    Instance fx;
    EXPECT_EQ(fx.dispatch(effIdentify), 0x4E764566);
    EXPECT_EQ(fx.dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(fx.dispatch(effGetVendorVersion), 1000);
    EXPECT_EQ(fx.dispatch(effGetPlugCategory), 1);
    EXPECT_EQ(fx.dispatch(effGetTailSize), 0);
    EXPECT_EQ(fx.dispatch(effGetCurrentMidiProgram), -1);
    EXPECT_EQ(fx.dispatch(effSetTotalSampleToProcess, 0, 512), 512);
    EXPECT_EQ(fx.dispatch(effCanBeAutomated, 2), 1);
    EXPECT_EQ(fx.dispatch(effGetNumProgramCategories), 0);
    EXPECT_EQ(fx.dispatch(effGetNumMidiInputChannels), 0);
    EXPECT_EQ(fx.dispatch(effGetNumMidiOutputChannels), 0);
    EXPECT_EQ(fx.dispatch(effSetBypass, 0, 1), 1);
    EXPECT_EQ(fx.dispatch(effSetBypass, 0, 0), 1);
    EXPECT_EQ(fx.text(effGetEffectName), "Sarvo");
    EXPECT_EQ(fx.text(effGetVendorString), "ONDX");
    EXPECT_EQ(fx.text(effGetProductString), "Sarvo");
    EXPECT_EQ(fx.dispatch(effGetEffectName, 0, 0, nullptr), 0);
    // Opcodes past the table and the passed-down ones answer 0.
    for (VstInt32 op : {28, 30, 31, 32, 36, 37, 43, 46, 53, 54, 55, 57, 80, 120, -1})
        EXPECT_EQ(fx.dispatch(op), 0) << "opcode " << op;
}

TEST_F(ModuleTest, CanDoIsExactAndCaseSensitive)
{
    Instance fx;
    auto canDo = [&](const char* text) { return fx.dispatch(effCanDo, 0, 0, const_cast<char*>(text)); };
    EXPECT_EQ(canDo("bypass"), 1);
    EXPECT_EQ(canDo("Bypass"), 0);
    EXPECT_EQ(canDo("receiveVstMidiEvent"), -1);
    EXPECT_EQ(canDo("plugAsChannelInsert"), 1);
    EXPECT_EQ(canDo("1in1out"), 1);
    EXPECT_EQ(canDo("2in2out"), 1);
    EXPECT_EQ(canDo("1in2out"), -1);
    EXPECT_EQ(canDo("noRealTime"), 0);
    EXPECT_EQ(canDo("bypass "), 0);
    EXPECT_EQ(canDo(""), 0);
    EXPECT_EQ(fx.dispatch(effCanDo, 0, 0, nullptr), 0);
}

TEST_F(ModuleTest, ProgramNumbersOutsideTheBankAreIgnored)
{
    Instance fx;
    fx.dispatch(effSetProgram, 0, 3);
    EXPECT_EQ(fx.dispatch(effGetProgram), 3);
    fx.dispatch(effSetProgram, 0, 10);
    EXPECT_EQ(fx.dispatch(effGetProgram), 3);
    fx.dispatch(effSetProgram, 0, -1);
    EXPECT_EQ(fx.dispatch(effGetProgram), 3);
    fx.dispatch(effSetProgram, 0, 9);
    EXPECT_EQ(fx.dispatch(effGetProgram), 9);
}

TEST_F(ModuleTest, SpeakerArrangements)
{
    Instance fx;
    VstSpeakerArrangement* in = nullptr;
    VstSpeakerArrangement* out = nullptr;
    EXPECT_EQ(fx.dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 1);
    ASSERT_NE(in, nullptr);
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(in->type, 0);
    EXPECT_EQ(in->numChannels, 2);
    EXPECT_EQ(out->numChannels, 2);

    VstSpeakerArrangement stereoIn{}, stereoOut{};
    stereoIn.type = 1;
    stereoIn.numChannels = 2;
    stereoIn.speakers[0].azimuth = -0.5f;
    std::memset(stereoIn.speakers[1].name, 'x', sizeof stereoIn.speakers[1].name);  // unterminated
    stereoOut = stereoIn;
    stereoOut.type = 2;
    std::strcpy(stereoOut.speakers[1].name, "R");
    EXPECT_EQ(fx.dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&stereoIn), &stereoOut), 0);
    fx.dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out);
    EXPECT_EQ(in->type, 1);
    EXPECT_EQ(in->numChannels, 2);
    EXPECT_EQ(in->speakers[0].azimuth, -0.5f);
    EXPECT_EQ(std::strlen(in->speakers[1].name), 63u);  // cut and terminated
    EXPECT_EQ(out->type, 2);
    EXPECT_STREQ(out->speakers[1].name, "R");

    // Mono in, stereo out is refused: nothing stored.
    VstSpeakerArrangement monoIn{};
    monoIn.type = 7;
    monoIn.numChannels = 1;
    EXPECT_EQ(fx.dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&monoIn), &stereoOut), 0);
    fx.dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out);
    EXPECT_EQ(in->type, 1);
    // Null records change nothing.
    EXPECT_EQ(fx.dispatch(effSetSpeakerArrangement, 0, 0, nullptr), 0);
    // Mono to mono is taken.
    VstSpeakerArrangement monoOut = monoIn;
    fx.dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&monoIn), &monoOut);
    fx.dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out);
    EXPECT_EQ(in->numChannels, 1);
    EXPECT_EQ(in->type, 7);
}

TEST_F(ModuleTest, HostThatAnswersNothingStillWorks)
{
    RecordingHost::instance().answer = [](const HostCall&) -> VstIntPtr { return 0; };
    Instance fx;
    ASSERT_NE(fx.effect(), nullptr);
    fx.dispatch(effMainsChanged, 0, 1);
    fx.dispatch(effMainsChanged, 0, 0);
    fx->setParameter(fx.effect(), 0, 0.5f);
    EXPECT_FLOAT_EQ(fx->getParameter(fx.effect(), 0), 0.5f);
    // Resuming never asks for MIDI, and a host setParameter is not echoed back.
    for (const HostCall& c : RecordingHost::instance().calls) {
        EXPECT_NE(c.opcode, audioMasterWantMidi);
        EXPECT_NE(c.opcode, audioMasterAutomate);
    }
}

TEST_F(ModuleTest, ManyInstancesAreIndependent)
{
    Instance a, b;
    ASSERT_NE(a.effect(), b.effect());
    a->setParameter(a.effect(), 1, 0.25f);
    EXPECT_FLOAT_EQ(a->getParameter(a.effect(), 1), 0.25f);
    EXPECT_FLOAT_EQ(b->getParameter(b.effect(), 1), 1.0f);
}

}  // namespace
