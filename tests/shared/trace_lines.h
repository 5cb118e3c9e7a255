// Reading the plug-in's trace in tests: its lines, its driver calls in the
// simulated driver's notation (so that the two records of one session can be
// compared call by call) and its account of each channel's values.
#pragma once

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <string>
#include <vector>

struct TraceCall {
    std::string call;    // "Name(args)" as the simulated driver logs it
    std::string result;  // as it logs the result
    bool operator==(const TraceCall&) const = default;
};

// A whole file, "" when it cannot be read.
static inline std::string trace_file_text(const std::string& path)
{
    std::string text;
    if (FILE* f = fopen(path.c_str(), "rb")) {
        char chunk[4096];
        for (size_t n; (n = fread(chunk, 1, sizeof chunk, f)) > 0;) text.append(chunk, n);
        fclose(f);
    }
    return text;
}

// The lines without their time stamps.
static inline std::vector<std::string> trace_lines(const std::string& text)
{
    std::vector<std::string> lines;
    for (size_t at = 0, end; at < text.size(); at = end + 1) {
        end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        size_t body = text.find_first_not_of(' ', at);
        body = text.find(' ', body);  // after the time
        if (body < end) lines.push_back(text.substr(body + 1, end - body - 1));
    }
    return lines;
}

// One argument of a traced call as the simulated driver logs it: a pointer
// to a number is "&" there, except the read count, shown by its value on entry.
static inline std::string trace_argument_as_logged(const std::string& name, size_t index, const std::string& arg)
{
    size_t arrow = arg.find("->");
    if (arg.empty() || arg[0] == '"' || arrow == std::string::npos) return arg;
    bool readCount = index == 4 && name.compare(0, 27, "MeasurementChannel_ReadData") == 0;
    return readCount ? arg.substr(0, arrow) : "&";
}

// The driver calls of a trace: lines "Name(args) = result" (texts without
// commas, as in the tests' experiments).
static inline std::vector<TraceCall> trace_calls(const std::string& text)
{
    std::vector<TraceCall> calls;
    for (const std::string& line : trace_lines(text)) {
        size_t open = line.find('('), close = line.rfind(") = ");
        if (open == 0 || close == std::string::npos ||
            line.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_@") != open)
            continue;
        std::string name = line.substr(0, open), call = name + "(", args = line.substr(open + 1, close - open - 1);
        for (size_t at = 0, index = 0, end; !args.empty() && at <= args.size(); at = end + 1, ++index) {
            end = std::min(args.find(',', at), args.size());
            call += index ? "," : "";
            call += trace_argument_as_logged(name, index, args.substr(at, end - at));
        }
        calls.push_back({call + ")", line.substr(close + 4)});
    }
    return calls;
}

// One channel's account in the trace, or the host's side of it in the
// runner's output: "values <module> <channel>: <name> <n>, <name> <n>...".
// The count called 'what' in the last line of that module and channel (the
// last run's), -1 when there is none.
static inline long long trace_count(const std::string& text, const std::string& module, unsigned channel,
                                    const char* what)
{
    std::string key = "values " + module + " " + std::to_string(channel) + ": ";
    size_t at = text.rfind(key);
    if (at == std::string::npos) return -1;
    size_t end = text.find('\n', at);
    std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    size_t field = line.find(std::string(" ") + what + " ");
    return field == std::string::npos ? -1 : atoll(line.c_str() + field + strlen(what) + 2);
}
