// reports: what a local publisher received, as a publisher reads it: usage
// reports per day with the versions and apps they carry, and every problem
// or feature report with its text shown safely (no control characters reach
// the terminal).
#include <cstdio>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "Publish.h"
#include "base/Text.h"

namespace pankor::publish {

namespace {

constexpr const char* kReportsUsage =
    "usage: pankor-publish reports DIR\n"
    "  Summarises what 'pankor-publish serve DIR' received: the usage reports per\n"
    "  day, the manager and Windows versions and the installed apps they name,\n"
    "  and every problem or feature report with its text. Control characters in\n"
    "  the texts are shown as escapes (\\n, \\t, \\x1B).\n";

using Json = nlohmann::json;
using Tally = std::map<std::string, int>;

// One report text on one line of the terminal.
std::string Shown(const std::string& text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : SanitizeUtf8(text)) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\\')
            out += "\\\\";
        else if (u < 0x20 || u == 0x7F)
            out += std::string("\\x") + kHex[u >> 4] + kHex[u & 0xF];
        else
            out += c;
    }
    return out;
}

// The reports of one kind, each with the time it arrived and its body parsed
// (null when the body is not JSON).
std::vector<std::pair<std::string, Json>> ReadReports(const std::string& file) {
    std::vector<std::pair<std::string, Json>> out;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        const Json record = Json::parse(line, nullptr, false);
        if (!record.is_object()) continue;
        const std::string body = record.value("body", "");
        out.emplace_back(record.value("time", ""), Json::parse(body, nullptr, false));
    }
    return out;
}

std::string Text(const Json& doc, const char* key) {
    if (!doc.is_object() || !doc.contains(key)) return "?";
    const Json& v = doc[key];
    return v.is_string() ? v.get<std::string>() : v.dump();
}

void PrintTally(const char* title, const Tally& tally) {
    std::printf("%s:", title);
    if (tally.empty()) std::printf(" none");
    for (const auto& [name, count] : tally) std::printf(" %s (%d)", Shown(name).c_str(), count);
    std::printf("\n");
}

}  // namespace

int Reports(const Args& args) {
    if (WantsHelp(args)) return Help(kReportsUsage);
    if (args.size() != 1 || args[0].rfind("--", 0) == 0) return Usage(kReportsUsage);
    const std::string dir = args[0] + "/reports";

    const auto usage = ReadReports(dir + "/telemetry.jsonl");
    Tally perDay, versions, systems, apps;
    for (const auto& [time, doc] : usage) {
        ++perDay[time.substr(0, 10)];
        ++versions[Text(doc, "pankor")];
        ++systems[Text(doc, "os")];
        if (doc.is_object() && doc.contains("apps") && doc["apps"].is_array())
            for (const Json& a : doc["apps"]) ++apps[Text(a, "slug")];
    }
    std::printf("usage reports: %zu\n", usage.size());
    for (const auto& [day, count] : perDay) std::printf("  %s  %d\n", day.c_str(), count);
    PrintTally("manager versions", versions);
    PrintTally("Windows versions", systems);
    PrintTally("installed apps", apps);

    const auto issues = ReadReports(dir + "/issue.jsonl");
    std::printf("problem and feature reports: %zu\n", issues.size());
    for (const auto& [time, doc] : issues) {
        std::printf("  %s  %s about \"%s\" from %s, contact \"%s\"\n    %s\n", Shown(time.substr(0, 19)).c_str(),
                    Shown(Text(doc, "kind")).c_str(), Shown(Text(doc, "app")).c_str(),
                    Shown(Text(doc, "pankor")).c_str(), Shown(Text(doc, "contact")).c_str(),
                    Shown(Text(doc, "text")).c_str());
    }
    return 0;
}

}  // namespace pankor::publish
