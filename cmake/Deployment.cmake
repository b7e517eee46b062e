# Values of the deployment: hosts, keys and secrets of the service. They are compiled into the
# programs through one generated header. The defaults point at the local stand-in service
# (tools/standin), so that a default build runs here as it is.
set(VELA_STANDIN_PORT 18080 CACHE STRING "Port of the local stand-in service (the next port serves as a second host, the one after as the SMS gateway)")
math(EXPR _alt_port "${VELA_STANDIN_PORT} + 1")
math(EXPR _sms_port "${VELA_STANDIN_PORT} + 2")
set(_standin "127.0.0.1:${VELA_STANDIN_PORT}")

set(VELA_REST_HOST      "${_standin}" CACHE STRING "REST host[:port] (path /api/rest/)")
set(VELA_API_KEY        "0123456789abcdef0123456789abcdef" CACHE STRING "REST API key (32 lower-case letters and digits)")
set(VELA_API_SECRET     "fedcba9876543210fedcba9876543210" CACHE STRING "REST shared secret (32 lower-case letters and digits)")
set(VELA_STAT_HOST      "${_standin}" CACHE STRING "Statistics and share report host[:port]")
set(VELA_UPDATE_HOST    "${_standin}" CACHE STRING "Update host[:port] (update.ini, feedback page, server list)")
set(VELA_WEB_HOST       "${_standin}" CACHE STRING "Host[:port] of the service's web pages (client page, home page)")
set(VELA_ACCOUNT_HOST   "${_standin}" CACHE STRING "Host[:port] of the account pages (registration, password)")
set(VELA_SERVERLIST_URL "http://${_standin}/clientupdate/config/serverlist.txt" CACHE STRING "The updater's server-list address")
set(VELA_SMS_HOST       "127.0.0.1" CACHE STRING "SMS gateway host (the gateway's port is part of its address)")
set(VELA_SMS_PORT       "${_sms_port}" CACHE STRING "SMS gateway port")
set(VELA_SMS_USER       "kwrtpmx-1" CACHE STRING "SMS gateway account")
set(VELA_SMS_PASSWORD   "12a345" CACHE STRING "SMS gateway password")
set(VELA_MICROBLOG_HOST "${_standin}" CACHE STRING "Microblog share page host[:port]")
set(VELA_MICROBLOG_APPKEY "1234567890" CACHE STRING "Microblog app key (10 digits)")
set(VELA_SOCIAL_HOST    "${_standin}" CACHE STRING "Social-network share page host[:port]")
set(VELA_STANDIN_ALT_PORT "${_alt_port}" CACHE INTERNAL "")

set(VELA_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/deployment.h.in ${VELA_GENERATED_DIR}/vela_deployment.h @ONLY)
add_library(vela_deployment INTERFACE)
target_include_directories(vela_deployment INTERFACE ${VELA_GENERATED_DIR})
