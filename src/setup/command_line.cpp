#include "setup/command_line.h"

#include <cctype>

namespace {

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

OptionParse parse_setup_option(const std::string& argument, SetupOptions& options) {
    if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-')) return OptionParse::not_an_option;
    const size_t equals = argument.find('=');
    const std::string name = upper(std::string_view(argument).substr(1, equals == std::string::npos ? std::string::npos : equals - 1));
    if (equals != std::string::npos) {
        const std::string value = argument.substr(equals + 1);
        if (value.empty()) return OptionParse::bad;
        if (name == "DIR") options.destination = value;
        else if (name == "LOG") options.log_path = value;
        else return OptionParse::bad;
        return OptionParse::taken;
    }
    if (name == "S" || name == "SILENT") options.silent = true;
    else if (name == "FORCE") options.force = true;
    else if (name == "ALLUSERS") options.all_users = true;
    else if (name == "?" || name == "HELP") options.help = true;
    else if (name == "UNINSTALL") options.uninstall = true;
    else return OptionParse::bad;
    return OptionParse::taken;
}

SetupOptions parse_setup_options(const std::vector<std::string>& arguments) {
    SetupOptions options;
    for (const std::string& a : arguments) {
        options.text += (options.text.empty() ? "" : " ") + a;
        if (parse_setup_option(a, options) != OptionParse::taken && options.rejected.empty()) options.rejected = a;
    }
    return options;
}

std::vector<std::string> split_command_line(std::string_view line) {
    std::vector<std::string> arguments;
    std::string current;
    bool quoted = false;
    bool in_argument = false;
    for (const char c : line) {
        if (c == '"') {
            quoted = !quoted;
            in_argument = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (in_argument) arguments.push_back(current);
            current.clear();
            in_argument = false;
        } else {
            current += c;
            in_argument = true;
        }
    }
    if (in_argument) arguments.push_back(current);
    return arguments;
}
