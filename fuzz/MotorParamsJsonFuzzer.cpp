// velmoctl's motor parameter JSON: parsing, applying onto a block, and the
// text written back out.
//
// Checked besides memory safety: a rejected object leaves the block exactly
// as it was, and an accepted block written as text reads back into the same
// block (the file velmoctl writes can be fed to it unchanged).
#include "FuzzCheck.h"
#include "MotorParamsJson.h"
#include "QuietMessages.h"
#include "RepeatedJsonKeys.h"

#include <sanitizer/lsan_interface.h>

#include <cstdlib>
#include <optional>
#include <cstring>

namespace {

MotorParams startingBlock()
{
    MotorParams block;
    std::memset(&block, 0, sizeof block);
    std::memcpy(block.modelName, "VLS-50", 6);
    std::memcpy(block.serialNumber, "L50-00017", 9);
    block.pulse = 12800;
    block.helicalPitch = 1.0;
    block.maxPos = 50.0;
    std::memcpy(block.optOrder, "NZP", 3);
    return block;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QuietMessages::install();
    const QByteArray text(reinterpret_cast<const char *>(data), int(size));
    QJsonObject object;
    QString parseError;
    {
        std::optional<__lsan::ScopedDisabler> qtParserLeaks;
        if (RepeatedJsonKeys::mayOccur(text))
            qtParserLeaks.emplace();
        parseError = MotorParamsJson::parseObject(text, &object);
    }
    if (!parseError.isEmpty())
        return 0;

    const MotorParams before = startingBlock();
    MotorParams block = before;
    const QStringList problems = MotorParamsJson::apply(object, &block);
    if (!problems.isEmpty()) {
        FUZZ_CHECK(std::memcmp(&block, &before, sizeof block) == 0);
        return 0;
    }

    const QByteArray written = MotorParamsJson::toText(block);
    QJsonObject reread;
    FUZZ_CHECK(MotorParamsJson::parseObject(written, &reread).isEmpty());
    MotorParams again;
    std::memset(&again, 0, sizeof again);
    FUZZ_CHECK(MotorParamsJson::apply(reread, &again).isEmpty());
    FUZZ_CHECK(MotorParamsJson::toText(again) == written);
    return 0;
}
