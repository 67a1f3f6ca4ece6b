#!/usr/bin/python
# -*- coding: utf-8 -*-

from __future__ import absolute_import, division, print_function

__metaclass__ = type

DOCUMENTATION = r"""
---
module: driver
short_description: Driver-wide settings of the Dravo Spark ODBC Driver
description:
  - Makes the driver-wide settings of the Dravo Spark ODBC Driver hold the values given, through
    C(dravo-spark-config apply --json).
  - On Linux the settings are the C([Driver]) section of the driver's configuration file
    (C(/etc/vezuravuz.ini), or the file C(config_file) names); on Windows the driver's registry key.
  - Each value is checked by the configuration dialog's own rules (ranges, lists, what a mechanism
    allows, what a server type uses). A value the dialog would not save fails the task with the tool's
    message, and nothing is written.
  - Settings not named are left as they are, unless I(exact) is set.
  - Setting what is already stored writes nothing and reports no change.
  - C(dravo-spark-config settings) lists every setting, its values and its default.
version_added: "1.1.1"
author:
  - Dravo
options:
  settings:
    description:
      - The settings to hold, by their stored names (compared without regard to case), for example
        C(SparkServerType), C(AuthMech), C(UID), C(SSL), C(LogLevel), C(SSP_NAME) for a server-side
        property or C(http.header.NAME) for an HTTP header.
      - Values as the configuration file holds them; a list's value may also be given by its label
        (C(AuthMech=Kerberos)). C(true) and C(false) stand for C(1) and C(0).
      - Passwords are not given here but with I(password).
    type: dict
    default: {}
  password:
    description:
      - The password of the authentication mechanism (stored enciphered as C(EncryptedPWD), as the
        dialog stores it). It reaches the tool on its standard input and is never shown or logged.
      - A password equal to the one stored is recognised as unchanged.
    type: str
  exact:
    description:
      - Put every setting that I(settings) does not name back to its default (and remove the stored
        password when I(password) is not given).
    type: bool
    default: false
  executable:
    description:
      - The path of C(dravo-spark-config) on the managed machine.
    type: path
    default: dravo-spark-config
  config_file:
    description:
      - The driver's configuration file to use instead of the machine's (the tool's C(SPARKINI)).
    type: path
  registry_root:
    description:
      - The directory the tool keeps its registry in (the tool's C(--registry-root)); with no
        I(config_file), the configuration file is C(DIR/vezuravuz.ini) there.
    type: path
attributes:
  check_mode:
    description: Reports what would change, and writes nothing.
    support: full
  diff_mode:
    description: Shows each setting changed, before and after; passwords are masked.
    support: full
notes:
  - Supports check mode (nothing is written) and diff mode (each setting changed, before and after,
    passwords masked).
  - Changing the machine's file needs root; use C(become).
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

- name: User name and password, the password from the vault
  dravo.spark_odbc.driver:
    settings:
      SparkServerType: 3
      AuthMech: 3
      UID: svc_reports
    password: "{{ vault_spark_password }}"
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
  description: Where the settings are kept, for example C(/etc/vezuravuz.ini [Driver]).
  returned: always
  type: str
  sample: /etc/vezuravuz.ini [Driver]
settings:
  description:
    - Each setting named or changed, with its value before and after (null when not stored);
      passwords are masked.
  returned: always
  type: dict
  sample: {"AuthMech": {"before": "2", "after": "3"}, "EncryptedPWD": {"before": null, "after": "********"}}
notes:
  description:
    - Stored values the dialog shows differently (an older mechanism, a switch that is neither 0 nor 1),
      which the save changed to what the dialog shows; each with its place, reason and the value shown.
  returned: always
  type: list
  elements: dict
msg:
  description: The tool's refusal or error, when the task failed.
  returned: failure
  type: str
  sample: '"9" is not a valid value of AuthMech: it may be 0 (No Authentication), 1 (Kerberos), ...'
"""

from ansible.module_utils.basic import AnsibleModule
from ansible_collections.dravo.spark_odbc.plugins.module_utils.config_tool import (
    result_of,
    run_tool,
    write_settings_file,
)


def main():
    module = AnsibleModule(
        argument_spec=dict(
            settings=dict(type="dict", default={}),
            password=dict(type="str", no_log=True),
            exact=dict(type="bool", default=False),
            executable=dict(type="path", default="dravo-spark-config"),
            config_file=dict(type="path"),
            registry_root=dict(type="path"),
        ),
        supports_check_mode=True,
    )
    path = write_settings_file(module, "Driver", module.params["settings"])
    arguments = ["apply", path]
    if module.params["exact"]:
        arguments.append("--exact")
    answer = run_tool(module, arguments, password=module.params["password"])
    module.exit_json(**result_of(module, answer))


if __name__ == "__main__":
    main()
