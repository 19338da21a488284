# Runs the console program with a few control lines on standard input and
# checks its answers. Variables: NUVSIM (the program), EMULATOR (optional).
file(WRITE ${WORKDIR}/nuvsim_cli_input.txt
  "status\nfault drop 150\n@0 login fail\ncall 1 Jane\nbogus\n")
execute_process(
  COMMAND ${EMULATOR} ${NUVSIM} --listen 127.0.0.1:0 --listen 127.0.0.1:0,redirect
  INPUT_FILE ${WORKDIR}/nuvsim_cli_input.txt
  OUTPUT_VARIABLE out
  RESULT_VARIABLE rc
  TIMEOUT 120)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nuvsim exited with ${rc}:\n${out}")
endif()
# Standard input ended, so the program ended by itself.
foreach(expected
    "nuvsim: S0 MAP server on 127.0.0.1:"
    "nuvsim: S1 Redirect server on 127.0.0.1:"
    "> S0 MAP 127.0.0.1:"
    "> error: usage: fault drop|dup|delay|reorder <percent>"
    "> ok"
    "> error: usage: call <callId> <name> <number> [stamp]"
    "> error: unknown command (try help)"
    "nuvsim: bye")
  string(FIND "${out}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "missing \"${expected}\" in:\n${out}")
  endif()
endforeach()
execute_process(COMMAND ${EMULATOR} ${NUVSIM} --listen 127.0.0.1:99999 OUTPUT_VARIABLE out RESULT_VARIABLE rc TIMEOUT 120)
if(rc EQUAL 0 OR NOT out MATCHES "bad --listen value")
  message(FATAL_ERROR "a bad port must stop the program: ${rc} ${out}")
endif()
# The record clock: epoch is accepted, anything but start or epoch stops the program.
file(WRITE ${WORKDIR}/nuvsim_cli_status.txt "status\n")
execute_process(COMMAND ${EMULATOR} ${NUVSIM} --clock epoch --listen 127.0.0.1:0
  INPUT_FILE ${WORKDIR}/nuvsim_cli_status.txt OUTPUT_VARIABLE out RESULT_VARIABLE rc TIMEOUT 120)
if(NOT rc EQUAL 0 OR NOT out MATCHES "> S0 MAP 127.0.0.1:" OR NOT out MATCHES "nuvsim: bye")
  message(FATAL_ERROR "--clock epoch: ${rc} ${out}")
endif()
execute_process(COMMAND ${EMULATOR} ${NUVSIM} --clock boot OUTPUT_VARIABLE out RESULT_VARIABLE rc TIMEOUT 120)
if(rc EQUAL 0 OR NOT out MATCHES "bad --clock value")
  message(FATAL_ERROR "a bad clock must stop the program: ${rc} ${out}")
endif()
