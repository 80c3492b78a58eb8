#include "framework/machine_base.h"

namespace varnok {

void MACHINE_CALL MachineBase::Initialize(StateInput*) {}
void MACHINE_CALL MachineBase::ApplyTick() {}
bool MACHINE_CALL MachineBase::Render(float*, int, int) { return false; }
bool MACHINE_CALL MachineBase::RenderSecondary(std::int32_t, std::int32_t, std::int32_t,
                                               std::int32_t) {
  return false;
}
void MACHINE_CALL MachineBase::Halt() {}
void MACHINE_CALL MachineBase::SaveState(StateOutput*) {}
void MACHINE_CALL MachineBase::ApplyAttributes() {}
void MACHINE_CALL MachineBase::RunCommand(int) {}
void MACHINE_CALL MachineBase::SetTrackCount(int) {}
void MACHINE_CALL MachineBase::ExtTrackNotify(int) {}
bool MACHINE_CALL MachineBase::ExtTrackQuery(int) { return false; }
void MACHINE_CALL MachineBase::OnMidiNote(int, int, int) {}
void MACHINE_CALL MachineBase::OnHostEvent(std::uint32_t) {}
void* MACHINE_CALL MachineBase::ExtDescribe(int, int) { return nullptr; }
void* MACHINE_CALL MachineBase::ExtList() { return nullptr; }
bool MACHINE_CALL MachineBase::ExtStart(int, int, int) { return false; }
void MACHINE_CALL MachineBase::ExtStop() {}
int MACHINE_CALL MachineBase::ExtPosition(int) { return -1; }

}  // namespace varnok
