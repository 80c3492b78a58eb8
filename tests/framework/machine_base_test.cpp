#include <gtest/gtest.h>

#include <cstring>
#include <new>

#include "framework/plugin_entry.h"
#include "framework/render_signal.h"

namespace varnok {
namespace {

int destroyed = 0;

class Probe final : public Machine<Probe> {
 public:
  ~Probe() { ++destroyed; }
};

TEST(MachineBase, DefaultsAnswerAsTheHostExpects) {
  MachineBase* machine = CreateMachineOf<Probe>();
  ASSERT_NE(machine, nullptr);
  float samples[3] = {0.5f, -1.0f, 2.0f};
  EXPECT_FALSE(machine->Render(samples, 3, kRenderHasInput));
  EXPECT_EQ(samples[0], 0.5f);
  EXPECT_EQ(samples[1], -1.0f);
  EXPECT_EQ(samples[2], 2.0f);
  EXPECT_FALSE(machine->RenderSecondary(0, 0, 0, 0));
  EXPECT_FALSE(machine->ExtTrackQuery(0));
  EXPECT_FALSE(machine->ExtStart(0, 0, 0));
  EXPECT_EQ(machine->ExtDescribe(0, 0), nullptr);
  EXPECT_EQ(machine->ExtList(), nullptr);
  EXPECT_EQ(machine->ExtPosition(0), -1);
  machine->DeletingDestructor(1);
}

TEST(MachineBase, DeletingDestructorReleasesMemoryOnlyWhenAsked) {
  destroyed = 0;
  alignas(Probe) unsigned char storage[sizeof(Probe)];
  MachineBase* in_place = new (storage) Probe();
  // Bit 0 clear: destroyed, not freed (freeing a stack buffer would crash).
  EXPECT_EQ(in_place->DeletingDestructor(0), static_cast<void*>(storage));
  EXPECT_EQ(destroyed, 1);

  MachineBase* on_heap = CreateMachineOf<Probe>();
  EXPECT_EQ(on_heap->DeletingDestructor(1), static_cast<void*>(on_heap));
  EXPECT_EQ(destroyed, 2);
}

}  // namespace
}  // namespace varnok
