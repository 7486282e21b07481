// A DevicePropDesc dataset of any length: whatever parse() reports, the
// values it kept must be consistent with it.

#include "TVK_Commu_DevicePropDesc.h"
#include "TVK_Fuzz_Log.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TVK_Fuzz_Log::everyCategoryToNowhere();

    TVK_Commu_DevicePropDesc desc;
    const auto result = desc.parse(data, size);
    // Every enumerated value kept arrived whole, at least one byte each.
    if (desc.enumeration().size() > desc.enumerationCount() || size_t(desc.enumeration().size()) > size)
        std::abort();
    if (result == TVK_Commu_DevicePropDesc::kLEParsed && desc.formFlag() == TVK_Commu_DevicePropDesc::kLEFormEnumeration
        && desc.enumeration().size() != desc.enumerationCount())
        std::abort();
    desc.allows(desc.currentValue());
    desc.allows(desc.factoryDefaultValue());
    desc.allows(desc.minimumValue() - 1);
    desc.allows(desc.maximumValue() + 1);
    TVK_Commu_DevicePropDesc::valueWidth(desc.dataType());
    return 0;
}
