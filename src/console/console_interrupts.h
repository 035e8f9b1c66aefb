// Ctrl+C and Ctrl+Break while the launcher must finish what a command left.
#ifndef QUELLMAR_CONSOLE_CONSOLE_INTERRUPTS_H_
#define QUELLMAR_CONSOLE_CONSOLE_INTERRUPTS_H_

// From hold until release, Ctrl+C and Ctrl+Break still end the commands on
// the console, but no longer the launcher, which can then clean up after
// them. Outside that span the system's default handling ends the launcher.
void hold_console_interrupts();
void release_console_interrupts();

#endif  // QUELLMAR_CONSOLE_CONSOLE_INTERRUPTS_H_
