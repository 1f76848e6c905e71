// Documents of kestdoc loaded into a panel: the application a panel needs
// (offscreen when there is no display) and the loading with its faults.
#pragma once

#include <QApplication>
#include <memory>
#include <string>

#include "KestBasePanel.h"

namespace kest {

// The application of the verbs that load documents into a panel; it must
// outlive every panel of the verb.
class TKestDocApplication {
public:
    TKestDocApplication();
    TKestDocApplication(const TKestDocApplication&) = delete;
    TKestDocApplication& operator=(const TKestDocApplication&) = delete;

private:
    int argc_ = 1;
    char name_[8] = "kestdoc";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

// The document in a new panel; a fault names the file and what was wrong.
std::unique_ptr<TKestPanel> LoadDocumentPanel(const std::string& fileName);

// Controls inside a scheme, the scheme itself not counted.
int CountObjects(TKestControl* scheme);

} // namespace kest
