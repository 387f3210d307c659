#include "base/Variant.h"

#include <cstdlib>
#include <cstdio>

double Variant::ToNumber() const {
    switch (kind()) {
        case Kind::Boolean: return std::get<bool>(v_) ? -1 : 0;
        case Kind::Integer: return std::get<int16_t>(v_);
        case Kind::Long: return std::get<int32_t>(v_);
        case Kind::Double: return std::get<double>(v_);
        case Kind::String: return std::strtod(std::get<std::string>(v_).c_str(), nullptr);
        default: return 0;
    }
}

std::string Variant::ToText() const {
    switch (kind()) {
        case Kind::Boolean: return std::get<bool>(v_) ? "True" : "False";
        case Kind::Integer: return std::to_string(std::get<int16_t>(v_));
        case Kind::Long: return std::to_string(std::get<int32_t>(v_));
        case Kind::Double: {
            char buf[32];
            std::snprintf(buf, sizeof buf, "%.15g", std::get<double>(v_));
            return buf;
        }
        case Kind::String: return std::get<std::string>(v_);
        default: return "";
    }
}
