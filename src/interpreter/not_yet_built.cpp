// Families whose handling is still being written take the normal end.
#include "families.h"

namespace vexalo::interpreter {

End handleStatus(Context &, const Reply &) { return End::Normal; }
End handleSMeter(Context &, const Reply &) { return End::Normal; }
End handleRxVfo(Context &, const Reply &) { return End::Normal; }
End handleTxVfo(Context &, const Reply &) { return End::Normal; }
End handleFilter(Context &, const Reply &) { return End::Normal; }
End handleAgc(Context &, const Reply &) { return End::Normal; }
End handleIdentification(Context &, const Reply &) { return End::Normal; }
End handleKeyer(Context &, const Reply &) { return End::Normal; }
End handleMode(Context &, const Reply &) { return End::Normal; }
End handleNoiseBlanker(Context &, const Reply &) { return End::Normal; }
End handlePreamp(Context &, const Reply &) { return End::Normal; }
End handlePower(Context &, const Reply &) { return End::Normal; }
End handleAttenuator(Context &, const Reply &) { return End::Normal; }

} // namespace vexalo::interpreter
