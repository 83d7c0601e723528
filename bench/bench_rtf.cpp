// The RTF reader alone on colour art (a run per character, each its own
// colour) and on plain text of the same size, median of a frame.
//
//   bench_rtf [repetitions]

#include "ColourPage.h"
#include "Timing.h"

#include "platform/rtf/RtfDocument.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Lines of Japanese and ASCII in one format, as a text frame stores them.
std::string plainPage(int lines)
{
    glyphreel::rtf::RtfDocument doc;
    for (int l = 0; l < lines; ++l) {
        glyphreel::rtf::RtfRun run;
        run.text = QStringLiteral("テキストの行 %1: ASCII and 全角 ＡＢＣ　ｶﾀｶﾅ").arg(l);
        run.font = QStringLiteral("ＭＳ ゴシック");
        doc.paragraphs.push_back({run});
    }
    return glyphreel::rtf::writeRtf(doc);
}

void report(const char *what, const std::vector<std::string> &memos, int repetitions)
{
    std::vector<double> times;
    std::size_t runs = 0;
    for (int r = 0; r < repetitions; ++r)
        for (const std::string &memo : memos)
            times.push_back(bench::ms([&] {
                for (const auto &para : glyphreel::rtf::readRtf(memo).paragraphs)
                    runs += para.size();
            }));
    std::printf("%-46s %8.3f ms  (%zu runs)\n", what, median(times), runs / std::size_t(repetitions) / memos.size());
}

} // namespace

int main(int argc, char **argv)
{
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    std::vector<std::string> small, large;
    for (int seed = 0; seed < 50; ++seed)
        small.push_back(bench::colourPage(30, 40, seed));
    for (int seed = 0; seed < 5; ++seed)
        large.push_back(bench::colourPage(120, 160, seed));
    std::printf("readRtf, median of a frame\n");
    report("colour art 40 x 30", small, repetitions);
    report("colour art 160 x 120", large, repetitions);
    report("plain text, 120 lines", {plainPage(120)}, repetitions * 20);
    return 0;
}
