// Text form of entity identifiers.
#include "sdk/model.h"

#include <algorithm>
#include <stdexcept>

namespace OrvaneSDK {
namespace Model {
namespace {

// Standard base-10 int conversion, reporting failures with this facade's own texts.
std::int32_t toInt(const std::string& text) {
    try {
        return std::stoi(text);
    } catch (const std::invalid_argument&) {
        throw std::invalid_argument("invalid stoi argument");
    } catch (const std::out_of_range&) {
        throw std::out_of_range("stoi argument out of range");
    }
}

// Drops every '-' after the first character, so only a leading sign survives.
std::string keepLeadingSignOnly(std::string part) {
    if (part.size() > 1) part.erase(std::remove(part.begin() + 1, part.end(), '-'), part.end());
    return part;
}

}  // namespace

std::string EntityID::toString() const { return std::to_string(id_[0]) + "-" + std::to_string(id_[1]); }

EntityID EntityID::fromString(const std::string& text) {
    // A '-' at position 0 is a sign, so the separator is searched from position 1.
    const std::size_t separator = text.size() >= 2 ? text.find('-', 1) : std::string::npos;
    if (separator != std::string::npos) {
        const std::int32_t first = toInt(keepLeadingSignOnly(text.substr(0, separator)));
        const std::int32_t second = toInt(keepLeadingSignOnly(text.substr(separator + 1)));
        return EntityID(first, second);
    }
    if (text.empty()) return EntityID();
    const std::int32_t both = toInt(text);
    return EntityID(both, both);
}

}  // namespace Model
}  // namespace OrvaneSDK
