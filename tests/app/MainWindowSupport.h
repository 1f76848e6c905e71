// A main window over the bundled plan and a scratch copy of the bundled
// settings, on a virtual clock, for the window tests.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <fstream>
#include <regex>
#include <sstream>

#include "AppOptions.h"
#include "KestControls.h"
#include "SiteTestSupport.h"
#include "fMain.h"

namespace doravo::testing {

const std::string Resources = DORAVO_SOURCE_RESOURCES;

class MainWindowFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        kest::RegisterShapeClasses();
        RegisterDoorClasses();
    }

    MainWindowFixture()
        : clock(46000.5)
    {
        const std::string ini = scratch.Path("doravo.ini");
        QFile::copy(QString::fromStdString(Resources + "/doravo.ini"), QString::fromStdString(ini));
        site = std::make_unique<TdmMain>(ini, clock);
        window = std::make_unique<TfmMain>(*site, Resources + "/doravo.ksd");
        window->AboutAction = [this] { ++aboutShown; };
    }

    ~MainWindowFixture() override
    {
        window.reset();
        AppOptions = TAppOptions();
    }

    kest::TKestPanel& Panel() { return *window->Panel; }

    // Clicks the options button and closes the dialog with OK; false when
    // no dialog came up.
    bool AcceptOptions()
    {
        bool accepted = false;
        QTimer::singleShot(0, [&] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                dialog->accept();
                accepted = true;
            }
        });
        QTest::mouseClick(window->sbtOptions, Qt::LeftButton);
        return accepted;
    }

    kest::TKestCustomScheme* Scheme(const std::string& name)
    {
        return dynamic_cast<kest::TKestCustomScheme*>(Panel().FindControlByName(name, Panel().Schemes()));
    }

    // How many object blocks of that name the plan file holds, read from its text.
    static int ObjectsInFile(const std::string& name)
    {
        std::ifstream in(Resources + "/doravo.ksd");
        const std::regex block("^\\s*object " + name + ": ");
        int count = 0;
        for (std::string line; std::getline(in, line);)
            count += std::regex_search(line, block);
        return count;
    }

    TScratch scratch;
    TVirtualClock clock;
    std::unique_ptr<TdmMain> site;
    std::unique_ptr<TfmMain> window;
    int aboutShown = 0;
};

} // namespace doravo::testing
