#include "ui/controls/ControlId.h"
#include "ui/controls/MeterLamp.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace {

TEST(ControlsIdTest, ControlsAreFoundByTheirIdAmongNestedChildren)
{
    QWidget dialog;
    auto* group = new QWidget(&dialog);
    auto* lamp = new CMeterLamp(group);
    auto* other = new CMeterLamp(&dialog);
    SetControlId(lamp, 1065);
    SetControlId(other, 1066);
    EXPECT_EQ(ControlId(lamp), 1065);
    EXPECT_EQ(ControlId(group), kNoControlId);
    EXPECT_EQ(FindControl(&dialog, 1065), lamp);
    EXPECT_EQ(FindControl(&dialog, 1066), other);
    EXPECT_EQ(FindControl(&dialog, 1067), nullptr);
    EXPECT_EQ(FindControl(group, 1066), nullptr);
}

}  // namespace
