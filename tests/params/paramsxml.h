#pragma once
// Loads a parameter set from the text of one effect element.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <string>

#include "system/params.h"

inline bool LoadParams(Params& params, const std::string& xml) {
    pugi::xml_document document;
    pugi::xml_parse_result parsed = document.load_string(xml.c_str());
    EXPECT_TRUE(parsed) << parsed.description();
    return params.Load(document.first_child());
}
