#include "main/command_line.h"

#include <algorithm>

namespace quartzmon {
namespace {

const CommandLineOption* option_named(std::span<const CommandLineOption> options,
                                      const std::u16string& argument) {
    const auto found = std::ranges::find(options, argument, &CommandLineOption::name);
    return found == options.end() ? nullptr : &*found;
}

}  // namespace

CommandLine::CommandLine(std::span<const std::u16string> arguments,
                         std::span<const CommandLineOption> options)
    : arguments_(arguments.begin(), arguments.end()) {
    std::size_t i = 1;
    while (i < arguments_.size()) {
        const CommandLineOption* option = option_named(options, arguments_[i]);
        if (option == nullptr || (option->takes_value && i + 1 == arguments_.size())) {
            i += 1;
            continue;
        }
        occurrences_.push_back({option->name, i});
        i += option->takes_value ? 2 : 1;
    }
}

std::optional<std::u16string> CommandLine::value(const CommandLineOption& option) const {
    std::optional<std::u16string> last;
    for (const Occurrence& occurrence : occurrences_) {
        if (occurrence.option == option.name) last = arguments_[occurrence.at + 1];
    }
    return last;
}

bool CommandLine::has(const CommandLineOption& flag) const {
    return std::ranges::find(occurrences_, flag.name, &Occurrence::option) != occurrences_.end();
}

std::vector<std::u16string> CommandLine::arguments_without(const CommandLineOption& option) const {
    std::vector<std::u16string> kept;
    auto next = occurrences_.begin();
    for (std::size_t i = 0; i < arguments_.size(); ++i) {
        while (next != occurrences_.end() && next->at < i) ++next;
        if (next != occurrences_.end() && next->at == i && next->option == option.name) {
            if (option.takes_value) ++i;
            continue;
        }
        kept.push_back(arguments_[i]);
    }
    return kept;
}

}  // namespace quartzmon
