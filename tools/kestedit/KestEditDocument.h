// Reading and writing the documents of kestedit. A document is read into a
// panel of its own, so a file that fails to load leaves the open one alone;
// it is written through a temporary file, so a failed save leaves the old
// file whole.
#pragma once

#include <QString>
#include <memory>

#include "KestBasePanel.h"

namespace kest {

// The document of the file in a new panel, or none with the message naming
// the file and what was wrong.
std::unique_ptr<TKestPanel> LoadEditDocument(const QString& fileName, QString& error);

// Writes the panel's document as text or binary; on success the panel
// remembers the form and is no longer modified.
bool SaveEditDocument(TKestPanel& panel, const QString& fileName, bool binary, QString& error);

// The classes a document may hold: the model's, the shapes and the doors of
// the station's plan. Returns the classes that can be created with the
// mouse, in the order registered.
const std::vector<const TKestControlClass*>& RegisterEditClasses();

// The tool name of a class: its hint, else its name without the prefix.
QString ControlClassCaption(const TKestControlClass* cls);

} // namespace kest
