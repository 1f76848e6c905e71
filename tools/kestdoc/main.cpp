// kestdoc: reads and re-encodes Kest documents from the command line.
#include <cstdio>
#include <cstring>

#include "KestDoc.h"

namespace kest {
namespace {

const TKestDocVerb kVerbs[] = {
    {"lines", "FILE", "print each line as the filer reads it, binary blocks decoded", RunLines},
    {"convert", "IN OUT --binary|--text", "re-encode every line of IN into OUT in the binary form, or in the text form indented as\n"
        "      the panel writes it (a document converted to binary and back is its text again)",
        RunConvert},
    {"check", "FILE", "load the document into a panel and count its objects, schemes and layers", RunCheck},
    {"info", "FILE", "print the document's name, size, schemes with their object counts, layers and object classes",
        RunInfo},
    {"dump", "FILE", "print the object tree: identifier, name, class and document rectangle of every object", RunDump},
    {"render", "IN -o OUT.png|OUT.svg|OUT.pdf [--scheme NAME | --all] [--scale PERCENT]",
        "paint the first scheme (or NAME) on white at PERCENT (1 to 50000, default 100) as a printout; with --all\n"
        "      every scheme: OUT-<scheme>.png or .svg each, or one PDF page each",
        RunRender},
};

void PrintUsage(std::FILE* out)
{
    std::fputs("usage: kestdoc VERB ARGUMENTS...\n       kestdoc --help\n\nverbs:\n", out);
    for (const TKestDocVerb& verb : kVerbs)
        std::fprintf(out, "  %s %s\n      %s\n", verb.name, verb.usage, verb.summary);
    std::fputs("\nExit status: 0 done, 1 the input or output is unreadable or malformed, 2 usage error.\n", out);
}

bool IsHelp(const char* arg)
{
    return std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0;
}

int Run(int argc, char** argv)
{
    if (argc < 2) {
        PrintUsage(stderr);
        return kExitUsage;
    }
    if (IsHelp(argv[1])) {
        PrintUsage(stdout);
        return kExitOk;
    }
    for (const TKestDocVerb& verb : kVerbs) {
        if (std::strcmp(argv[1], verb.name) != 0)
            continue;
        TVerbArgs args(argv + 2, argv + argc);
        for (const std::string& arg : args) {
            if (IsHelp(arg.c_str())) {
                std::printf("usage: kestdoc %s %s\n  %s\n", verb.name, verb.usage, verb.summary);
                return kExitOk;
            }
        }
        try {
            return verb.run(args);
        } catch (const EKestDocUsage& e) {
            std::fprintf(stderr, "kestdoc %s: %s\nusage: kestdoc %s %s\n", verb.name, e.what(), verb.name, verb.usage);
            return kExitUsage;
        } catch (const EKestDocFault& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return kExitFault;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "kestdoc %s: %s\n", verb.name, e.what());
            return kExitFault;
        }
    }
    std::fprintf(stderr, "kestdoc: unknown verb \"%s\"\n", argv[1]);
    PrintUsage(stderr);
    return kExitUsage;
}

} // namespace
} // namespace kest

int main(int argc, char** argv)
{
    return kest::Run(argc, argv);
}
