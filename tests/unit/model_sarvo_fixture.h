// The clipper's four parameters, defined as the effect defines them, over a program store with ten
// programs. Shared by the model tests.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "dsp/clipper_parameters.h"
#include "model/parameter.h"
#include "model/program_store.h"

enum SarvoParam { kGain = 0, kClip = 1, kSoftness = 2, kOversmp = 3 };

struct SarvoModel {
    explicit SarvoModel(int programs = 10)
    {
        for (const ClipperParameterInfo* r : {&clipper::kGain, &clipper::kClip, &clipper::kSoftness}) {
            auto p = std::make_unique<ZRangeParameter>();
            p->setName(r->name);
            p->setUnitLabel(r->unitLabel);
            p->setRange(r->minimum, r->maximum);
            p->setSteps(r->steps);
            p->setDefaultDisplay(r->defaultDisplay);
            p->setDecimals(r->decimals);
            add(std::move(p));
        }
        auto oversample = std::make_unique<ZSwitchParameter>();
        oversample->setName(clipper::kOversample.name);
        oversample->setCaption(clipper::kOversampleCaption);
        oversample->setDefaultDisplay(clipper::kOversample.defaultDisplay);
        add(std::move(oversample));
        store.build(programs, params);
    }

    void add(std::unique_ptr<ZParameter> p)
    {
        params.push_back(p.get());
        owned.push_back(std::move(p));
    }

    std::string programName(int program) const
    {
        char text[32];
        store.copyProgramName(program, text);
        return text;
    }

    std::vector<unsigned char> bank()
    {
        void* data = nullptr;
        const int size = store.getChunk(0, &data, false);
        const auto* bytes = static_cast<const unsigned char*>(data);
        return std::vector<unsigned char>(bytes, bytes + size);
    }

    std::vector<std::unique_ptr<ZParameter>> owned;
    std::vector<ZParameter*> params;
    ZProgramStore store;
};
