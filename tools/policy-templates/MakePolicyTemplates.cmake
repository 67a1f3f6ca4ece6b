# Group Policy administrative templates for the driver-wide settings, made
# from the settings table as the tool prints it:
#   cmake -DSETTINGS=settings.json -DOUTPUT=folder -P MakePolicyTemplates.cmake
# SETTINGS is the output of "dravo-spark-config settings --json". Writes
# OUTPUT/dravo-spark-odbc.admx and OUTPUT/en-US/dravo-spark-odbc.adml. Each
# setting of the driver key that a dialog edits becomes a machine policy that
# writes the string value the driver reads: a switch 1 or 0, a list one of
# its values, a number within its range, a text or a file name. Passwords and
# properties are left out: policy values are readable by every user, and a
# property's names are the user's own.
cmake_minimum_required(VERSION 3.25)

set(template dravo-spark-odbc)
set(key "SOFTWARE\\Dravo\\Dravo Spark ODBC Driver\\Driver")
# Group Policy's decimal is 32 bits unsigned.
set(largest_decimal 4294967295)

function(xml_escape text variable)
  string(REPLACE "&" "&amp;" text "${text}")
  string(REPLACE "<" "&lt;" text "${text}")
  string(REPLACE ">" "&gt;" text "${text}")
  string(REPLACE "\"" "&quot;" text "${text}")
  set(${variable} "${text}" PARENT_SCOPE)
endfunction()

file(READ "${SETTINGS}" json)
string(JSON count LENGTH "${json}")
math(EXPR last "${count} - 1")

set(policies "")
set(strings "")
set(presentations "")
foreach(index RANGE ${last})
  foreach(field name description type values default scope used_with note)
    string(JSON ${field} GET "${json}" ${index} ${field})
  endforeach()
  if(NOT scope MATCHES "^(driver|both)$" OR NOT type MATCHES "^(switch|list|number|text|file)$"
      OR used_with MATCHES "^never")
    continue()
  endif()
  xml_escape("${description}" description_xml)
  set(help "${description}")
  if(values)
    string(APPEND help "\n\nValues: ${values}.")
  endif()
  if(default)
    string(APPEND help "\nDefault: ${default}.")
  endif()
  if(note)
    string(APPEND help "\nNote: ${note}.")
  endif()
  string(APPEND help "\nUsed with: ${used_with}.\n\nWritten as the string value ${name} of HKEY_LOCAL_MACHINE\\${key}.")
  xml_escape("${help}" help_xml)
  string(APPEND strings "      <string id=\"${name}\">${name}: ${description_xml}</string>\n"
    "      <string id=\"${name}_Help\">${help_xml}</string>\n")
  set(policy "    <policy name=\"${name}\" class=\"Machine\" displayName=\"$(string.${name})\" explainText=\"$(string.${name}_Help)\" key=\"${key}\"")

  if(type STREQUAL "switch")
    string(APPEND policy " valueName=\"${name}\">\n"
      "      <parentCategory ref=\"SparkOdbcDriver\"/>\n"
      "      <supportedOn ref=\"SUPPORTED_WINDOWS7\"/>\n"
      "      <enabledValue><string>1</string></enabledValue>\n"
      "      <disabledValue><string>0</string></disabledValue>\n"
      "    </policy>\n")
  else()
    string(APPEND policy " presentation=\"$(presentation.${name})\">\n"
      "      <parentCategory ref=\"SparkOdbcDriver\"/>\n"
      "      <supportedOn ref=\"SUPPORTED_WINDOWS7\"/>\n"
      "      <elements>\n")
    if(type STREQUAL "list")
      string(APPEND policy "        <enum id=\"${name}\" valueName=\"${name}\" required=\"true\">\n")
      # "0 = Binary, 1 = SASL, 2 = HTTP"
      string(REGEX MATCHALL "[^ ,][^,]* = [^,]*" choices "${values}")
      foreach(choice IN LISTS choices)
        string(REGEX REPLACE "^([^ ]+) = (.*)$" "\\1" value "${choice}")
        string(REGEX REPLACE "^([^ ]+) = (.*)$" "\\2" label "${choice}")
        string(MAKE_C_IDENTIFIER "${name}_${value}" item)
        xml_escape("${label}" label_xml)
        xml_escape("${value}" value_xml)
        string(APPEND strings "      <string id=\"${item}\">${value_xml}: ${label_xml}</string>\n")
        string(APPEND policy "          <item displayName=\"$(string.${item})\"><value><string>${value_xml}</string></value></item>\n")
      endforeach()
      string(APPEND policy "        </enum>\n")
      string(APPEND presentations "      <presentation id=\"${name}\">\n"
        "        <dropdownList refId=\"${name}\" noSort=\"true\">${name}</dropdownList>\n"
        "      </presentation>\n")
    elseif(type STREQUAL "number")
      # "0 to 65535", "0 to 4294967296, or empty"
      string(REGEX REPLACE "^([0-9]+) to ([0-9]+).*$" "\\1" minimum "${values}")
      string(REGEX REPLACE "^([0-9]+) to ([0-9]+).*$" "\\2" maximum "${values}")
      # Compared as text of equal length: CMake's numbers are 64-bit signed.
      string(LENGTH "${maximum}" length)
      if(length GREATER 10 OR (length EQUAL 10 AND maximum STRGREATER largest_decimal))
        set(maximum ${largest_decimal})
        # The largest whole number of megabytes below it, where only those are taken.
        if(note MATCHES "whole number of megabytes")
          set(maximum 4293918720)
        endif()
      endif()
      string(APPEND policy "        <decimal id=\"${name}\" valueName=\"${name}\" required=\"true\" minValue=\"${minimum}\" maxValue=\"${maximum}\" storeAsText=\"true\"/>\n")
      set(default_attribute "")
      if(default MATCHES "^[0-9]+$")
        set(default_attribute " defaultValue=\"${default}\"")
      endif()
      string(APPEND presentations "      <presentation id=\"${name}\">\n"
        "        <decimalTextBox refId=\"${name}\"${default_attribute} spinStep=\"1\">${name}</decimalTextBox>\n"
        "      </presentation>\n")
    else()
      set(length_attribute "")
      if(values MATCHES "^up to ([0-9]+) characters")
        set(length_attribute " maxLength=\"${CMAKE_MATCH_1}\"")
      endif()
      string(APPEND policy "        <text id=\"${name}\" valueName=\"${name}\" required=\"true\"${length_attribute}/>\n")
      string(APPEND presentations "      <presentation id=\"${name}\">\n"
        "        <textBox refId=\"${name}\"><label>${name}</label></textBox>\n"
        "      </presentation>\n")
    endif()
    string(APPEND policy "      </elements>\n    </policy>\n")
  endif()
  string(APPEND policies "${policy}")
endforeach()

file(WRITE "${OUTPUT}/${template}.admx" "<?xml version=\"1.0\" encoding=\"utf-8\"?>
<!-- Made by tools/policy-templates/MakePolicyTemplates.cmake from the settings table: do not edit. -->
<policyDefinitions xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" revision=\"1.0\" schemaVersion=\"1.0\" xmlns=\"http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions\">
  <policyNamespaces>
    <target prefix=\"dravo\" namespace=\"Dravo.Policies.SparkOdbcDriver\"/>
  </policyNamespaces>
  <resources minRequiredRevision=\"1.0\"/>
  <supportedOn>
    <definitions>
      <definition name=\"SUPPORTED_WINDOWS7\" displayName=\"$(string.SUPPORTED_WINDOWS7)\"/>
    </definitions>
  </supportedOn>
  <categories>
    <category name=\"Dravo\" displayName=\"$(string.Dravo)\"/>
    <category name=\"SparkOdbcDriver\" displayName=\"$(string.SparkOdbcDriver)\" explainText=\"$(string.SparkOdbcDriver_Help)\">
      <parentCategory ref=\"Dravo\"/>
    </category>
  </categories>
  <policies>
${policies}  </policies>
</policyDefinitions>
")

file(WRITE "${OUTPUT}/en-US/${template}.adml" "<?xml version=\"1.0\" encoding=\"utf-8\"?>
<!-- Made by tools/policy-templates/MakePolicyTemplates.cmake from the settings table: do not edit. -->
<policyDefinitionResources xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" revision=\"1.0\" schemaVersion=\"1.0\" xmlns=\"http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions\">
  <displayName>Dravo Spark ODBC Driver</displayName>
  <description>The driver-wide settings of the Dravo Spark ODBC Driver.</description>
  <resources>
    <stringTable>
      <string id=\"SUPPORTED_WINDOWS7\">Windows 7 and later</string>
      <string id=\"Dravo\">Dravo</string>
      <string id=\"SparkOdbcDriver\">Spark ODBC Driver</string>
      <string id=\"SparkOdbcDriver_Help\">The driver-wide settings of the Dravo Spark ODBC Driver, which its data sources take unless they set their own. Group Policy checks each value on its own: run dravo-spark-config-cli.exe check to find values the dialog would refuse together.</string>
${strings}    </stringTable>
    <presentationTable>
${presentations}    </presentationTable>
  </resources>
</policyDefinitionResources>
")
