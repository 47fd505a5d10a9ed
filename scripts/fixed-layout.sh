# Sourced by the scripts that run the Windows programs under Wine.
#
# Wine maps a few fixed addresses as a program starts. With address-space
# randomisation, now and then one of them is already taken ("failed to map the
# shared user data"): the program never runs, and its caller sees exit code 1
# and no output. `fixed_layout CMD...` runs CMD, and everything it starts, with
# randomisation off where the system allows that, and as it is elsewhere.
fixed_layout() {
  if setarch "$(uname -m)" -R true 2>/dev/null; then
    setarch "$(uname -m)" -R "$@"
  else
    "$@"
  fi
}
