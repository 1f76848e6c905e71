#include "KestDoc.h"
#include "KestError.h"
#include "KestFiler.h"
#include "TextLayout.h"

namespace kest {

int RunConvert(const TVerbArgs& args)
{
    std::vector<std::string> options;
    const TVerbArgs files = ParseVerbArgs(args, 2, {"--binary", "--text"}, options);
    if (options.size() != 1)
        throw EKestDocUsage("give exactly one of --binary and --text");
    const bool binary = options[0] == "--binary";
    const std::string& inName = files[0];
    const std::string& outName = files[1];

    TKestDocOutput output(outName);
    int64_t lineNumber = 0;
    try {
        TKestFiler writer(output.Stream());
        writer.SetBinary(binary);
        TTextLayout layout([&](const std::string& line) { writer.SaveStr(line); });
        ReadDocumentLines(inName, [&](const std::string& line) {
            ++lineNumber;
            // The reader already decoded the block this line opened; written
            // again as text it would make the output unreadable.
            if (line == "kestbinary")
                return;
            if (binary)
                writer.SaveStr(line);
            else
                layout.Add(line);
        });
        layout.Finish();
        writer.SetBinary(false);
    } catch (const EKestWriteError& e) {
        throw EKestDocFault(outName + ": " + e.what() + " (line " + std::to_string(lineNumber) + " of " + inName + ")");
    } catch (const EKestDocFault&) {
        throw;
    } catch (const EKestError& e) {
        throw EKestDocFault(outName + ": " + e.what());
    }
    output.Commit();
    return kExitOk;
}

} // namespace kest
