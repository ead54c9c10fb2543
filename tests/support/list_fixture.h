// Filling the tables the list views show, for tests.
#pragma once

#include <cstdint>

// Replaces the SystemTable with n systems named "type<i>", at 198.51.100.<i+1>.
void fill_systems(int n);
// Replaces the InterfaceTable with n interfaces named "if<i>".
void fill_interfaces(int n);
// Replaces the firmware catalogue with n names "fw<i>.firm".
void fill_firmware(int n);
