#include "activex/com_variant_converters.h"

namespace FB::ActiveX {
namespace {

template <typename... Numbers>
void addNumeric(ComVariantConverterMap& converters) {
    ((converters[std::type_index(typeid(Numbers))] = &numericToVARIANT<Numbers>), ...);
}

}  // namespace

ComVariantConverterMap buildVariantConverterMap() {
    ComVariantConverterMap converters;
    addNumeric<short, unsigned short, int, long, unsigned int, unsigned long, long long, unsigned long long, float,
               double>(converters);
    return converters;
}

}  // namespace FB::ActiveX
