cmake_minimum_required(VERSION 3.20)
# Runs the MSVC-built consumer under wine on a fresh agent root where product
# A is registered and the proxy has written where it connects and its port.
# Arguments: -DCONSUMER=consumer.exe -DWORK_DIR=... -DEMULATOR="env;...;<wine loader>"
file(REMOVE_RECURSE ${WORK_DIR})
set(config ${WORK_DIR}/home/config)
file(WRITE ${WORK_DIR}/ixor_apphome.ini "[apphome]\npath=home\n")
file(WRITE ${config}/product_register.eni "[count]\nnum=1\n\n[A]\nregistered=1\n")
file(WRITE ${config}/ixor_ipcproxy/ipc_proxy.eni "[process]\nname=ipc_proxy\ncommand=ipc_proxy\n")
file(WRITE ${config}/ixor_ipcproxy/connect.ini "[connect]\nip=10.1.2.3\nport=4433\n")
file(WRITE ${config}/ixor_ipcproxy/server_port.ini "[local]\nipc_port=7788\n")

set(ENV{IXOR_ROOT_DIR} ${WORK_DIR})
set(ENV{IXOR_LOG_DIR} ${WORK_DIR}/logs)
set(ENV{IXOR_SLEEP_UNIT_MS} 1)
execute_process(COMMAND ${EMULATOR} ${CONSUMER}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "consumer failed check ${rc}: ${out}${err}")
endif()
