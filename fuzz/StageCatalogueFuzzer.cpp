// The stage catalogue (deviceModelsParam) as the program reads it: parsed
// JSON into StageCatalogue::loadJson, then every model turned into the motor
// parameter block the add-axis dialog would write.
//
// Checked besides memory safety: a refused document leaves the catalogue as
// it was, every listed name has a record of that type, and a block made from
// a record reads back as the same (ASCII) model name and numbers.
#include "FuzzCheck.h"
#include "QuietMessages.h"
#include "RepeatedJsonKeys.h"
#include "StageCatalogue.h"
#include "VelmoDevParam.h"
#include "velmoLibrary.h"

#include <QJsonDocument>

#include <sanitizer/lsan_interface.h>

#include <cstdlib>
#include <optional>

namespace {

const char kKnownCatalogue[] = R"({"VelmoModels": [
    {"name": "VLS-50", "moveType": 0, "pulseOneCircle": 12800, "dispOneCircle": 1.0, "unitString": "mm",
     "minPos": 0, "maxPos": 50, "optOrder": "NZP"},
    {"name": "VRS-360", "moveType": 1, "pulseOneCircle": 12800, "dispOneCircle": 4.0, "unitString": "°"}]})";

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QuietMessages::install();
    StageCatalogue catalogue;
    FUZZ_CHECK(catalogue.loadJson(QJsonDocument::fromJson(QByteArray(kKnownCatalogue))));
    const QStringList knownLinear = catalogue.lineModels();

    const QByteArray text(reinterpret_cast<const char *>(data), int(size));
    QJsonDocument document;
    {
        std::optional<__lsan::ScopedDisabler> qtParserLeaks;
        if (RepeatedJsonKeys::mayOccur(text))
            qtParserLeaks.emplace();
        document = QJsonDocument::fromJson(text);
    }
    if (!catalogue.loadJson(document)) {
        FUZZ_CHECK(catalogue.lineModels() == knownLinear && catalogue.modelParams().size() == 2);
        return 0;
    }
    for (int type = StageCatalogue::Linear; type <= StageCatalogue::Lifting; ++type) {
        for (const QString &name : catalogue.modelsOfType(type)) {
            FUZZ_CHECK(catalogue.modelParams().contains(name));
            const std::optional<VelmoDevParam> model = catalogue.findModel(name, type);
            if (!model)
                continue; // a later entry of another type took the name
            const MotorParams block = motorBlockFromDevParam(*model);
            const VelmoDevParam back = devParamFromMotorBlock(block);
            // An ASCII name survives when it fits the 32-byte field whole.
            const QByteArray utf8 = model->name.toUtf8();
            bool ascii = !utf8.contains('\0');
            for (char byte : utf8)
                ascii = ascii && uchar(byte) < 0x80;
            if (ascii && utf8.size() <= 32)
                FUZZ_CHECK(back.name == model->name);
            FUZZ_CHECK(back.pulseOneCircle == model->pulseOneCircle && back.maxPos == model->maxPos);
        }
    }
    return 0;
}
