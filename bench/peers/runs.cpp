#include "bench/peers/runs.h"

#include <algorithm>
#include <fstream>
#include <numeric>
#include <sstream>

namespace varo::peers {

std::string FormatAnswer(const std::string& id, const Answer& answer)
{
    std::vector<size_t> order(answer.pages.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return answer.pages[a] < answer.pages[b]; });
    const bool counts = answer.counts.size() == answer.pages.size();
    std::string line = id + '\t';
    for (size_t k = 0; k < order.size(); ++k) {
        if (k > 0)
            line += ' ';
        line += std::to_string(answer.pages[order[k]]);
        if (counts)
            line += ':' + std::to_string(answer.counts[order[k]]);
    }
    return line;
}

std::map<std::string, Answer> ReadAnswers(const std::filesystem::path& file)
{
    std::map<std::string, Answer> answers;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos)
            continue;
        Answer& answer = answers[line.substr(0, tab)];
        std::istringstream items(line.substr(tab + 1));
        std::string item;
        while (items >> item) {
            const size_t colon = item.find(':');
            answer.pages.push_back(static_cast<uint32_t>(std::stoul(item.substr(0, colon))));
            if (colon != std::string::npos)
                answer.counts.push_back(static_cast<uint32_t>(std::stoul(item.substr(colon + 1))));
        }
    }
    return answers;
}

std::vector<std::vector<std::string>> ReadTable(const std::filesystem::path& file)
{
    std::vector<std::vector<std::string>> rows;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        size_t start = 0;
        for (size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1)
            fields.push_back(line.substr(start, tab - start));
        fields.push_back(line.substr(start));
        rows.push_back(std::move(fields));
    }
    return rows;
}

}  // namespace varo::peers
