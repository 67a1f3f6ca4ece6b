# The Group Policy templates in packaging/windows/policy: made from the
# settings table as it is now, and every policy a driver-wide setting the
# table knows, whose values the tool's rules accept on their own.
#   cmake -DPROGRAM=dravo-spark-config -DSOURCE_DIR=… -DWORK=folder -P PolicyTemplatesTest.cmake
cmake_minimum_required(VERSION 3.25)

set(committed "${SOURCE_DIR}/packaging/windows/policy")
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/made/en-US" "${WORK}/registry")
set(ENV{DRAVO_REGISTRY_ROOT} "${WORK}/registry")
set(ENV{SPARKINI} "${WORK}/driver.ini")

execute_process(COMMAND "${PROGRAM}" settings --json OUTPUT_FILE "${WORK}/settings.json" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "settings --json exited with ${status}")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" -DSETTINGS=${WORK}/settings.json -DOUTPUT=${WORK}/made
    -P "${SOURCE_DIR}/tools/policy-templates/MakePolicyTemplates.cmake" COMMAND_ERROR_IS_FATAL ANY)
foreach(file dravo-spark-odbc.admx en-US/dravo-spark-odbc.adml)
  file(READ "${committed}/${file}" expected)
  file(READ "${WORK}/made/${file}" made)
  if(NOT expected STREQUAL made)
    message(FATAL_ERROR "packaging/windows/policy/${file} is not what the settings table makes now: "
      "cmake -DSETTINGS=<(dravo-spark-config settings --json) -DOUTPUT=packaging/windows/policy -P "
      "tools/policy-templates/MakePolicyTemplates.cmake")
  endif()
endforeach()

find_program(XMLLINT xmllint)
if(XMLLINT)
  execute_process(COMMAND "${XMLLINT}" --noout "${committed}/dravo-spark-odbc.admx"
      "${committed}/en-US/dravo-spark-odbc.adml" COMMAND_ERROR_IS_FATAL ANY)
endif()

# The table's driver-wide settings.
file(READ "${WORK}/settings.json" json)
string(JSON count LENGTH "${json}")
math(EXPR last "${count} - 1")
set(known)
foreach(index RANGE ${last})
  string(JSON name GET "${json}" ${index} name)
  string(JSON scope GET "${json}" ${index} scope)
  if(scope MATCHES "^(driver|both)$")
    list(APPEND known ${name})
  endif()
endforeach()

# expect_accepted NAME VALUE: the rules do not refuse the value itself (a
# refusal for the lack of another setting is left to check, as Group Policy
# writes each value on its own).
function(expect_accepted name value)
  # With the server type that has every setting.
  set(context SparkServerType=3)
  if(name STREQUAL "SparkServerType")
    set(context)
  endif()
  execute_process(COMMAND "${PROGRAM}" set --check ${context} "${name}=${value}"
    RESULT_VARIABLE status ERROR_VARIABLE errors OUTPUT_QUIET)
  if(NOT status EQUAL 0 AND (NOT status EQUAL 65 OR errors MATCHES "not a valid value of ${name}"))
    message(SEND_ERROR "the policy ${name} offers ${value}, which the rules refuse: ${errors}")
  endif()
endfunction()

file(READ "${committed}/dravo-spark-odbc.admx" admx)
string(REGEX MATCHALL "<policy [^>]*>" heads "${admx}")
list(LENGTH heads policies)
if(policies LESS 20)
  message(FATAL_ERROR "only ${policies} policies")
endif()
set(named)
string(REGEX MATCHALL "valueName=\"[^\"]+\"" value_names "${admx}")
foreach(value_name IN LISTS value_names)
  string(REGEX REPLACE "valueName=\"([^\"]+)\"" "\\1" name "${value_name}")
  if(NOT name IN_LIST known)
    message(SEND_ERROR "the policy value ${name} is no driver-wide setting of the table")
  endif()
  list(APPEND named ${name})
endforeach()
list(REMOVE_DUPLICATES named)

# Every value a policy can write: a switch's, a list's items, a number's bounds.
string(REPLACE "\n" ";" lines "${admx}")
set(current "")
foreach(line IN LISTS lines)
  if(line MATCHES "<policy name=\"([^\"]+)\".* valueName=\"")
    set(current ${CMAKE_MATCH_1})
    expect_accepted(${current} 0)
    expect_accepted(${current} 1)
  elseif(line MATCHES "<policy name=\"([^\"]+)\"")
    set(current ${CMAKE_MATCH_1})
  elseif(line MATCHES "<value><string>([^<]*)</string></value>")
    expect_accepted(${current} "${CMAKE_MATCH_1}")
  elseif(line MATCHES "<decimal [^>]*minValue=\"([0-9]+)\" maxValue=\"([0-9]+)\"")
    set(maximum ${CMAKE_MATCH_2})
    expect_accepted(${current} ${CMAKE_MATCH_1})
    expect_accepted(${current} ${maximum})
  endif()
endforeach()

# No password: a policy's values are every user's to read.
if(admx MATCHES "valueName=\"Encrypted")
  message(SEND_ERROR "a policy writes a password")
endif()
