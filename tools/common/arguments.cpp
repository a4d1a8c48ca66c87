#include "tools/common/arguments.h"

#include <algorithm>
#include <charconv>

namespace varo::cli {

namespace {

const OptionSpec* FindOption(std::span<const OptionSpec> optionSpec, std::string_view name)
{
    const auto found = std::find_if(optionSpec.begin(), optionSpec.end(),
                                    [&](const OptionSpec& option) { return option.name == name; });
    return found == optionSpec.end() ? nullptr : &*found;
}

}  // namespace

Arguments Arguments::Parse(std::span<const std::string> args, std::span<const OptionSpec> optionSpec)
{
    Arguments parsed;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& argument = args[i];
        if (argument == "--") {
            parsed.m_operands.insert(parsed.m_operands.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                     args.end());
            break;
        }
        if (argument.size() < 2 || argument[0] != '-') {
            parsed.m_operands.push_back(argument);
            continue;
        }
        const size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        const OptionSpec* option = FindOption(optionSpec, name);
        if (option == nullptr)
            throw UsageError("unknown option " + name);
        std::string value;
        if (option->takesValue) {
            if (equals != std::string::npos)
                value = argument.substr(equals + 1);
            else if (i + 1 < args.size())
                value = args[++i];
            else
                throw UsageError("option " + name + " needs a value");
        } else if (equals != std::string::npos) {
            throw UsageError("option " + name + " takes no value");
        }
        parsed.m_options.emplace_back(name, value);
    }
    return parsed;
}

bool Arguments::Has(std::string_view name) const
{
    return std::any_of(m_options.begin(), m_options.end(), [&](const auto& option) { return option.first == name; });
}

std::optional<std::string> Arguments::Value(std::string_view name) const
{
    for (auto option = m_options.rbegin(); option != m_options.rend(); ++option) {
        if (option->first == name)
            return option->second;
    }
    return std::nullopt;
}

int64_t Arguments::Integer(std::string_view name, int64_t minimum, int64_t maximum, int64_t fallback) const
{
    const std::optional<std::string> text = Value(name);
    if (!text)
        return fallback;
    int64_t value = 0;
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, value);
    if (text->empty() || error != std::errc() || stop != end || value < minimum || value > maximum) {
        throw UsageError(std::string(name) + " takes a whole number from " + std::to_string(minimum) + " to " +
                         std::to_string(maximum) + ", not '" + *text + "'");
    }
    return value;
}

}  // namespace varo::cli
