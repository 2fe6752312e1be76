// Parameter values: the bytes are the "param" children of one effect element.
#include <cstddef>
#include <cstdint>

#include <pugixml.hpp>

#include "system/params.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pugi::xml_document document;
    if (!document.load_buffer(data, size)) return 0;
    pugi::xml_node element = document.first_child();
    Params params;
    params.Load(element);
    for (pugi::xml_node param = element.child("param"); param; param = param.next_sibling("param")) {
        const ParamVariant& value = params.Get(param.attribute("key").as_string());
        for (double t : {-1.0, 0.0, 0.5, 3.0, 1e9}) {
            value.GetAsDouble(t);
            value.GetAsVec3(t);
        }
        value.GetAsInt();
        value.GetAsString();
    }
    return 0;
}
