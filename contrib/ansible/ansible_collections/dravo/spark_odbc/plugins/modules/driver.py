#!/usr/bin/python
# -*- coding: utf-8 -*-
# Copyright: 2026 Dravo. All rights reserved; see the collection's LICENSE.

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: driver
short_description: Driver-wide settings of the Dravo Spark ODBC Driver
description:
  - Makes the driver-wide settings of the Dravo Spark ODBC Driver hold the values given, through
    C(dravo-spark-config set --json), each setting given to the tool as one argument.
  - The settings are the C([Driver]) section of the driver's configuration file (C(/etc/vezuravuz.ini),
    or the file I(config_file) names) on Linux.
  - Each value is checked by the configuration dialog's own rules (ranges, lists, what a mechanism
    allows, what a server type uses). A value the dialog would not save fails the task with the tool's
    message, and nothing is written.
  - Settings not named are left as they are, unless I(exact) is set or they are named in I(remove).
  - Setting what is already stored writes nothing and reports no change.
  - Stored values that the save changes besides those asked for (see RETURN C(notes)) are reported as
    warnings.
author:
  - Dravo (@dravo)
extends_documentation_fragment:
  - dravo.spark_odbc.tool
  - dravo.spark_odbc.tool.SETTINGS
attributes:
  check_mode:
    description: Reports what would change, and writes nothing; a change this user could not save fails.
    support: full
  diff_mode:
    description: Shows each setting changed, before and after; passwords and secret settings are masked.
    support: full
  platform:
    description: Linux and other POSIX systems with the driver's package.
    support: full
    platforms: posix
notes:
  - Changing the machine's file needs root; use C(become).
  - Windows hosts are configured with the program's commands, see C(docs/fleet.md) in the driver's sources.
seealso:
  - module: dravo.spark_odbc.driver_info
  - module: dravo.spark_odbc.data_source
"""

EXAMPLES = r"""
- name: Kerberos over HTTP with SSL for every BI server
  dravo.spark_odbc.driver:
    settings:
      SparkServerType: 3
      AuthMech: Kerberos
      KrbHostFQDN: spark.example.com
      KrbServiceName: spark
      ThriftTransport: HTTP
      HTTPPath: /cliservice
      SSL: true
      TrustedCerts: /etc/ssl/certs/ca-certificates.crt
  become: true

- name: User name and password, the password from the vault, a token header kept secret
  dravo.spark_odbc.driver:
    settings:
      SparkServerType: 3
      AuthMech: 3
      UID: svc_reports
      ThriftTransport: HTTP
      http.header.Authorization: "Bearer {{ vault_spark_token }}"
    secret_settings: [http.header.Authorization]
    password: "{{ vault_spark_password }}"
  become: true

- name: No more server-side property
  dravo.spark_odbc.driver:
    remove: [SSP_spark.sql.shuffle.partitions]
  become: true

- name: Exactly these settings, everything else at its default
  dravo.spark_odbc.driver:
    settings:
      SparkServerType: 3
      AuthMech: 0
      ThriftTransport: 0
      LogLevel: LOG_WARNING
      LogPath: /var/log/spark-odbc
    exact: true
  become: true
"""

RETURN = r"""
changed:
  description: Whether the settings were changed (in check mode, would be).
  returned: always
  type: bool
location:
  description: Where the settings are kept.
  returned: always
  type: str
  sample: /etc/vezuravuz.ini [Driver]
settings:
  description:
    - Each setting named or changed, with its value before and after (null when not stored) and whether
      it changed; passwords and I(secret_settings) are masked.
  returned: always
  type: dict
  sample: {"AuthMech": {"before": "2", "after": "3", "changed": true},
           "EncryptedPWD": {"before": null, "after": "********", "changed": true}}
notes:
  description:
    - Stored values the dialog shows differently (an older mechanism, a switch that is neither 0 nor 1),
      which the save changed to what the dialog shows; each is also given as a warning.
  returned: always
  type: list
  elements: dict
  contains:
    place:
      description: The file and line.
      type: str
    name:
      description: The setting.
      type: str
    stored:
      description: The value that was stored (masked for a password).
      type: str
    shown:
      description: What the dialog shows, and a save writes.
      type: str
    reason:
      description: Why the two differ.
      type: str
msg:
  description: The tool's refusal or error, when the task failed.
  returned: failure
  type: str
  sample: '"9" is not a valid value of AuthMech: it may be 0 (No Authentication), 1 (Kerberos), ...'
rc:
  description: The tool's exit status, when it refused or failed.
  returned: failure
  type: int
  sample: 65
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.dravo.spark_odbc.plugins.module_utils.config_tool import (
    SETTINGS_OPTIONS,
    TOOL_OPTIONS,
    SettingsRequest,
    Tool,
    finish,
    merge,
)


def main():
    module = AnsibleModule(argument_spec=dict(TOOL_OPTIONS, **SETTINGS_OPTIONS), supports_check_mode=True)
    request = SettingsRequest(module)
    tool = Tool(module)
    answers = request.apply(tool)
    if not answers:
        # Nothing asked: where the settings are, and nothing changed.
        answers = [tool.run(["check"], allowed=(0, 65), what="location")]
        answers[0]["notes"] = []
    finish(module, request, merge(answers))


if __name__ == "__main__":
    main()
