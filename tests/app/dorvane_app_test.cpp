#include "app/dorvane_app.h"
#include "app/globals.h"
#include "platform/message.h"
#include "platform/registry.h"
#include "platform/windows.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

using namespace app;

namespace {

// Stands in for the frame; it records what the globals held when it opened.
class w_probe_frame : public platform::Frame {
public:
    static inline QStringList seen;
    void open() override {
        const Globals& g = globals();
        seen = QStringList{g.gs_appname, g.gs_version};
        for (auto* slot : {g.SQLCA, g.SQLCA1, g.SQLCA2, g.SQLCA3}) {
            seen << (slot == nullptr        ? QStringLiteral("missing")
                     : slot->isConnected()  ? QStringLiteral("connected")
                     : slot->DBMS.isEmpty() ? slot->name()
                                            : QStringLiteral("DBMS set"));
        }
    }
};

} // namespace

TEST(ApplicationObject, OpensFrameWithNameVersionAndFourUnconnectedSlots) {
    platform::ClassRegistry::instance().add<w_probe_frame>(QStringLiteral("w_frame"));
    {
        dorvane_app application;
        application.create();
        ASSERT_NE(globals().SQLCA, nullptr);
        EXPECT_EQ(globals().SQLCA1, nullptr) << "SQLCA1 to SQLCA3 come with the open handler";

        application.open(QString());
        EXPECT_EQ(w_probe_frame::seen,
                  (QStringList{QStringLiteral("Dorvane"), QStringLiteral("Version 1.1"),
                               QStringLiteral("SQLCA"), QStringLiteral("SQLCA1"),
                               QStringLiteral("SQLCA2"), QStringLiteral("SQLCA3")}));
        ASSERT_NE(platform::currentFrame(), nullptr);
        EXPECT_TRUE(platform::currentFrame()->isVisible());

        application.destroy();
        EXPECT_EQ(globals().SQLCA, nullptr);
        EXPECT_NE(globals().SQLCA1, nullptr) << "SQLCA1 to SQLCA3 live for the whole run";
        EXPECT_EQ(platform::currentFrame(), nullptr);
    }
    platform::ClassRegistry::instance().remove(QStringLiteral("w_frame"));
}

TEST(ApplicationObject, MissingFrameIsReportedAsRuntimeError) {
    platform::ClassRegistry::instance().remove(QStringLiteral("w_frame"));
    testsupport::ScriptedMessageBoxes boxes;
    dorvane_app application;
    application.create();
    application.open(QString());
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(boxes.shown()[0].text.contains(QStringLiteral("w_frame")));
    EXPECT_EQ(platform::currentFrame(), nullptr);
    application.destroy();
}

TEST(ApplicationObject, SlotsAreFoundByTheirExactNamesOnly) {
    platform::ClassRegistry::instance().remove(QStringLiteral("w_frame"));
    testsupport::ScriptedMessageBoxes boxes;
    dorvane_app application;
    application.create();
    application.open(QString()); // no frame class: reported, and the slots exist all the same
    const Globals& g = globals();
    EXPECT_EQ(slotByName(QStringLiteral("SQLCA")), g.SQLCA);
    EXPECT_EQ(slotByName(QStringLiteral("SQLCA1")), g.SQLCA1);
    EXPECT_EQ(slotByName(QStringLiteral("SQLCA2")), g.SQLCA2);
    EXPECT_EQ(slotByName(QStringLiteral("SQLCA3")), g.SQLCA3);
    for (const char* other : {"sqlca", " SQLCA", "SQLCA ", "SQLCA4", "SQLCA0", ""})
        EXPECT_EQ(slotByName(QString::fromLatin1(other)), nullptr) << other;
    application.destroy();
}
