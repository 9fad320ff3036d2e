// avrel-custom: a personal Avrel.scr from a folder of photos, made by the
// maker and written into a copy of the base program file without a
// compiler. Progress, the plan it used and a summary go to stdout; what went
// wrong goes to stderr as one line. File names that are not UTF-8 are
// printed with \xNN escapes.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "AvrelVersion.h"
#include "standin/ProgramFile.h"
#include "custom/CustomOptions.h"
#include "maker/FaceFolder.h"
#include "maker/NameText.h"
#include "maker/PersonalProgram.h"
#include "maker/PhotoFolder.h"
#include "maker/ProgramFile.h"
#include "maker/SaverName.h"
#include "maker/ShowMaker.h"
#include "show/ShowResources.h"

namespace {

int Fail(const std::string& message) {
    std::fprintf(stderr, "avrel-custom: %s\n", message.c_str());
    return 1;
}

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// The program file the package installs beside avrel-custom.
std::string InstalledBase() {
    char self[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
        return AVREL_SHIPPED_PROGRAM;
    std::string path(self, size_t(length));
    return path.substr(0, path.rfind('/') + 1) + AVREL_SHIPPED_PROGRAM;
}

std::string Padded(int value, int width, bool left) {
    std::string text = std::to_string(value);
    std::string pad(text.size() < size_t(width) ? size_t(width) - text.size() : 0, ' ');
    return left ? text + pad : pad + text;
}

std::string Size(int width, int height) {
    return Padded(width, 3, false) + " x " + Padded(height, 3, true);
}

// What was lettered, by the title pictures made.
std::string Lettered(const maker::ShowResult& result) {
    const std::pair<int, const char*> kTitles[] = {
        {6003, "the name"},          {6000, "the line after chapter 1"},
        {6001, "chapter 2's title"}, {6002, "chapter 3's title"},
        {6006, "chapter 4's title"}, {6007, "chapter 5's title"},
        {6008, "the closing line"}};
    std::string list;
    for (const auto& title : kTitles)
        if (result.resources.count(title.first) != 0)
            list += (list.empty() ? "" : ", ") + std::string(title.second);
    return list;
}

void PrintSummary(const maker::ShowResult& result, const CustomOptions& options,
                  const std::string& output, size_t bytes, double seconds) {
    std::map<std::string, int> uses;
    for (const maker::SlotUse& use : result.plan)
        if (use.pass == 1)
            ++uses[use.name];
    char took[32];
    std::snprintf(took, sizeof took, "%.1f", seconds);
    Say(std::string("Done in ") + took + " s:");
    if (result.passes == 1) {
        Say("  " + std::to_string(result.plan.size()) + " slots filled from " +
            std::to_string(uses.size()) + " photos");
    } else {
        std::map<std::string, int> photos;
        for (const maker::SlotUse& use : result.plan)
            ++photos[use.name];
        Say("  " + std::to_string(photos.size()) + " photos in " +
            std::to_string(maker::kStageSlots.size()) + " slots over " +
            std::to_string(result.passes) + " passes, each shown before any again");
    }
    if (options.shuffle)
        Say("  in a random order: --seed " + std::to_string(options.seed) + " gives it again");
    if (!Lettered(result).empty())
        Say("  lettered: " + Lettered(result));
    std::vector<std::string> reused;
    for (const maker::SlotUse& use : result.plan) {
        if (use.pass != 1)
            continue;
        std::string entry =
            maker::PrintableName(use.name) + " (" + std::to_string(uses[use.name]) + " times)";
        if (uses[use.name] > 1 && std::find(reused.begin(), reused.end(), entry) == reused.end())
            reused.push_back(entry);
    }
    if (!reused.empty() && result.passes == 1) {
        std::string list;
        for (const std::string& entry : reused)
            list += (list.empty() ? "" : ", ") + entry;
        Say("  fewer photos than slots: reused in turn " + list);
    }
    if (!result.skipped.empty()) {
        std::string list;
        for (const auto& skipped : result.skipped)
            list += (list.empty() ? "" : ", ") + maker::PrintableName(skipped.first);
        Say("  skipped " + std::to_string(result.skipped.size()) + ": " + list);
    }
    for (const std::string& warning : result.warnings)
        Say("  warning: " + warning);
    Say("  " + maker::PrintableName(output) + " (" + std::to_string(bytes) + " bytes)");
}

// The words: the words file's, and the options' over them.
bool ReadWords(const CustomOptions& options, maker::ShowWords* words, std::string* why) {
    if (!options.words.empty()) {
        std::vector<unsigned char> bytes;
        if (!maker::ReadWholeFile(options.words, &bytes, why)) {
            *why = maker::PrintableName(options.words) + " " + *why;
            return false;
        }
        if (!maker::ReadWordsFile(std::string(bytes.begin(), bytes.end()), options.words, words,
                                  why))
            return false;
    }
    const maker::ShowWords& given = options.given;
    for (auto pair : {std::make_pair(&words->name, &given.name),
                      std::make_pair(&words->afterFirst, &given.afterFirst),
                      std::make_pair(&words->closing, &given.closing)})
        if (!pair.second->empty())
            *pair.first = *pair.second;
    for (int chapter = maker::kFirstTitledChapter; chapter <= maker::kChapterCount; ++chapter)
        if (!given.titles[chapter].empty())
            words->titles[chapter] = given.titles[chapter];
    return true;
}

int Make(CustomOptions options) {
    auto started = std::chrono::steady_clock::now();
    maker::PhotoTree tree;
    std::string why;
    if (!maker::ListPhotoTree(options.folder, &tree, &why))
        return Fail(maker::PrintableName(options.folder) + " " + why);
    std::vector<maker::FolderFile> files = tree.AllFiles();
    if (files.empty())
        return Fail(maker::PrintableName(options.folder) + " holds no files");

    maker::ShowRequest request = maker::FolderRequest(options.folder, tree);
    if (!options.plan.empty()) {
        std::vector<unsigned char> plan;
        if (!maker::ReadWholeFile(options.plan, &plan, &why))
            return Fail(maker::PrintableName(options.plan) + " " + why);
        request.hasPlan = true;
        request.planText.assign(plan.begin(), plan.end());
        request.planName = options.plan;
    }
    request.fit = options.fit;
    request.threads = int(std::max(1u, std::thread::hardware_concurrency()));
    if (!ReadWords(options, &request.words, &why))
        return Fail(why);
    request.faces = maker::ReadShowFace;
    if (options.shuffle && !options.seedGiven)
        options.seed = std::random_device()();
    request.shuffle = options.shuffle;
    request.seed = options.seed;
    std::string output = options.output;
    if (output.empty())
        output = maker::SaverFileName(request.words.name);

    // The base passes the same check the players make of a program file.
    std::string base = options.base.empty() ? InstalledBase() : options.base;
    if (!standin::OpenProgramFile(base.c_str(), ShowResources(), CheckPassPictures, &why))
        return Fail(why + (options.base.empty() ? " (give the base program with --scr)" : ""));
    request.basePictures = maker::ModulePictures();
    std::vector<unsigned char> baseBytes;
    if (!maker::ReadWholeFile(base, &baseBytes, &why))
        return Fail(maker::PrintableName(base) + ": " + why);

    std::string chapters =
        tree.folders.empty() ? ""
                             : " and " + std::to_string(std::min<size_t>(tree.folders.size(), 5)) +
                                   " chapters from its folders";
    Say("Fitting " + std::to_string(files.size()) + " files from " +
        maker::PrintableName(options.folder) + " into " +
        std::to_string(maker::kStageSlots.size()) + " picture slots (" +
        (options.fit == maker::Fit::Cover ? "cover" : "contain") + ")" + chapters);
    request.progress = [](const maker::SlotProgress& p) {
        int width = int(std::to_string(p.total).size());
        Say("  [" + Padded(p.done, width, false) + "/" + std::to_string(p.total) + "] " +
            std::to_string(p.slot) + " <- " + maker::PrintableName(p.name) +
            (p.pass > 1 ? "  (pass " + std::to_string(p.pass) + ")" : ""));
    };
    maker::ShowResult result;
    maker::MakeOutcome outcome = maker::MakeShow(request, &result, &why);
    for (const auto& skipped : result.skipped)
        Say("  skipped " + maker::PrintableName(skipped.first) + ": " + skipped.second);
    if (outcome == maker::MakeOutcome::NoPhotos)
        return Fail("none of the " + std::to_string(files.size()) + " files in " +
                    maker::PrintableName(options.folder) + " is a usable picture");
    if (outcome != maker::MakeOutcome::Made)
        return Fail(why);

    Say(result.passes == 1 ? "Plan:" : "Plan (" + std::to_string(result.passes) + " passes):");
    for (const maker::SlotUse& use : result.plan)
        Say("  " + (result.passes == 1 ? "" : "pass " + Padded(use.pass, 2, true) + " ") +
            std::to_string(use.slot) + "  " + Size(use.width, use.height) + "  " +
            maker::PrintableName(use.name) + (use.byPlan ? "  (plan file)" : ""));

    std::vector<unsigned char> written;
    if (!maker::WritePersonalProgram(baseBytes.data(), baseBytes.size(), result.resources,
                                     request.words.name, &written, &why))
        return Fail(why);
    if (!maker::WriteFileWhole(output, written, &why))
        return Fail(maker::PrintableName(output) + ": " + why);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    PrintSummary(result, options, output, written.size(), seconds);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    CustomOptions options;
    std::string error =
        ParseCustomOptions(std::vector<std::string>(argv + 1, argv + argc), &options);
    if (!error.empty()) {
        std::fprintf(stderr, "avrel-custom: %s\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(kCustomUsage, stdout);
        return 0;
    }
    if (options.version) {
        std::printf("avrel-custom %s\n", AVREL_VERSION);
        return 0;
    }
    return Make(options);
}
