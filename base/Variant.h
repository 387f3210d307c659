// A small variant for the few places that hold Empty, Null, a Boolean, a number or a text in
// one slot: dialog parameters of the global state, registry writes of mixed data, stored settings.
#pragma once
#include <cstdint>
#include <string>
#include <variant>

class Variant {
public:
    enum class Kind { Empty, Null, Boolean, Integer, Long, Double, String };

    Variant() = default;
    Variant(bool b) : v_(b) {}
    Variant(int16_t i) : v_(i) {}
    Variant(int i) : v_(static_cast<int32_t>(i)) {}
    Variant(long i) : v_(static_cast<int32_t>(i)) {}
    Variant(double d) : v_(d) {}
    Variant(const char* s) : v_(std::string(s)) {}
    Variant(std::string s) : v_(std::move(s)) {}
    static Variant Null() { Variant v; v.v_ = NullTag{}; return v; }

    Kind kind() const { return static_cast<Kind>(v_.index()); }
    bool IsEmpty() const { return kind() == Kind::Empty; }
    bool IsNull() const { return kind() == Kind::Null; }
    bool IsNumber() const { return kind() == Kind::Integer || kind() == Kind::Long || kind() == Kind::Double; }
    bool IsText() const { return kind() == Kind::String; }

    // The value as a number: Boolean True is -1, a text is read as a decimal number (0 when not one).
    double ToNumber() const;
    long ToLong() const { return static_cast<long>(ToNumber()); }
    // The value as text: numbers in decimal, True/False, Empty and Null as "".
    std::string ToText() const;
    const std::string& Text() const { return std::get<std::string>(v_); }

    bool operator==(const Variant& o) const { return v_ == o.v_; }

private:
    struct NullTag { bool operator==(const NullTag&) const { return true; } };
    std::variant<std::monostate, NullTag, bool, int16_t, int32_t, double, std::string> v_;
};
