// The density network with all its operations: the constructor builds the record of zelbrin_fdp_lib and
// wires into it the initialisation, the training and the test, which only this module knows together.
#pragma once

#include <memory>
#include <string_view>

#include "korbent/zelbrin_fdp_lib.hpp"

// prm holds ni, nh, no as long doubles. Every array comes zero-filled, every unit linked, every operation set.
std::unique_ptr<ZELBRIN_FDP> construye_zelbrin_fdp(std::string_view name, const VECTOR& prm);
